#!/usr/bin/env bash
# Runs every fuzzer of build-fuzz/ for a short while. Seeds come from build/fuzz-seeds/<name>/,
# written there by the unit tests.
#   FUZZ_SECONDS   seconds per fuzzer (default 60)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-60}
status=0
shopt -s nullglob
for fuzzer in build-fuzz/fuzz/*_fuzz; do
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
