#!/usr/bin/env bash
# Runs every fuzzer of build-fuzz/ for a short while. Seeds come from build/fuzz-seeds/<name>/,
# written there by the unit tests.
#   FUZZ_TOTAL_SECONDS   the time all fuzzers share (default 480, so CI stays well within its
#                        limit as fuzzers are added); each gets an equal part, at most 60 s
#   FUZZ_SECONDS         seconds per fuzzer instead
set -euo pipefail
cd "$(dirname "$0")/.."
shopt -s nullglob
fuzzers=(build-fuzz/fuzz/*_fuzz)
[ ${#fuzzers[@]} -eq 0 ] && exit 0
total=${FUZZ_TOTAL_SECONDS:-480}
share=$((total / ${#fuzzers[@]}))
[ "$share" -gt 60 ] && share=60
[ "$share" -lt 5 ] && share=5
seconds=${FUZZ_SECONDS:-$share}
status=0
for fuzzer in "${fuzzers[@]}"; do
  [ -x "$fuzzer" ] || continue
  name=$(basename "$fuzzer")
  corpus="build-fuzz/corpus/$name"
  mkdir -p "$corpus"
  seeds=()
  [ -d "build/fuzz-seeds/$name" ] && seeds=("build/fuzz-seeds/$name")
  echo "== $name: ${seconds}s"
  if "$fuzzer" -max_total_time="$seconds" -rss_limit_mb=2048 -print_final_stats=0 \
      "$corpus" "${seeds[@]}" > "build-fuzz/$name.log" 2>&1; then
    echo "$name: passed ($(grep -c . "build-fuzz/$name.log") log lines)"
  else
    echo "$name: FAILED"; tail -40 "build-fuzz/$name.log"; status=1
  fi
done
exit $status
