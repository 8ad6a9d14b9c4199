#!/usr/bin/env bash
# Runs every test: unit tests in the normal build and again under AddressSanitizer and
# UndefinedBehaviorSanitizer, the fuzz smoke run, the benchmark smoke runs and the end-to-end
# tests on both builds. Installs what is missing first. Ends with one summary line over all of them.
#   FUZZ_TOTAL_SECONDS, FUZZ_SECONDS   the fuzzers' time (see scripts/fuzz-smoke.sh)
set -uo pipefail
cd "$(dirname "$0")/.."

passed=0
failed=0
failures=()

count() { # name, status
  if [ "$2" -eq 0 ]; then passed=$((passed + 1)); else failed=$((failed + 1)); failures+=("$1"); fi
}

# Adds a CTest run's totals from its log.
count_ctest() { # label, log, status
  local line total fails
  line=$(grep -E "tests passed, [0-9]+ tests? failed out of [0-9]+" "$2" | tail -1)
  if [ -z "$line" ]; then count "$1 (no test summary)" 1; return; fi
  total=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$line")
  fails=$(sed -E 's/.*, ([0-9]+) tests? failed.*/\1/' <<<"$line")
  passed=$((passed + total - fails))
  failed=$((failed + fails))
  [ "$fails" -gt 0 ] && failures+=("$1: $fails unit tests")
  [ "$3" -ne 0 ] && [ "$fails" -eq 0 ] && count "$1 (ctest exit $3)" 1
  return 0
}

run_unit_tests() { # label, build dir
  echo "== $1: building"
  if ! scripts/build.sh "$1" > "$2.build.log" 2>&1; then
    tail -60 "$2.build.log"; count "$1 build" 1; return
  fi
  echo "== $1: unit tests"
  (cd "$2" && ctest -j2 --output-on-failure --timeout 300) 2>&1 | tee "$2.ctest.log" | tail -25
  count_ctest "$1" "$2.ctest.log" "${PIPESTATUS[0]}"
}

scripts/install-deps.sh || { echo "Summary: 0 passed, 1 failed"; exit 1; }

run_unit_tests release build
run_unit_tests asan build-asan

if ls fuzz/*_fuzz.cpp > /dev/null 2>&1; then
  echo "== fuzz smoke"
  if scripts/build.sh fuzz > build-fuzz.build.log 2>&1; then
    for line in $(scripts/fuzz-smoke.sh | tee build-fuzz.smoke.log | grep -oE '^[a-z0-9_]+: (passed|FAILED)' | tr ' ' '='); do
      name=${line%%:*}; [[ $line == *passed ]] && count "$name" 0 || count "fuzz $name" 1
    done
    grep -v '^== ' build-fuzz.smoke.log | grep -v ': passed' | tail -40
  else
    tail -60 build-fuzz.build.log; count "fuzz build" 1
  fi
fi

shopt -s nullglob
for bench in build/bench/*_bench; do
  echo "== benchmark smoke: $(basename "$bench")"
  SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy timeout 300 "$bench" --smoke > "$bench.smoke.log" 2>&1
  status=$?
  tail -12 "$bench.smoke.log"
  count "benchmark $(basename "$bench")" $status
done

# The end-to-end tests drive both builds' programs; the sanitizers' leak check leaves libX11's
# own leftovers aside.
export LSAN_OPTIONS="suppressions=$PWD/tests/e2e/lsan.supp"
for build in build build-asan; do
  label=$([ "$build" = build ] && echo release || echo asan)
  for e2e in tests/e2e/*.sh; do
    echo "== end-to-end ($label): $(basename "$e2e")"
    timeout 600 bash "$e2e" "$build"
    status=$?
    count "end-to-end $(basename "$e2e") ($label)" $status
  done
done

echo
for failure in "${failures[@]}"; do echo "FAILED: $failure"; done
echo "Summary: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
