#!/usr/bin/env bash
# Configures and builds one configuration of the project.
#   scripts/build.sh release   -> build/        (the normal build)
#   scripts/build.sh asan      -> build-asan/   (AddressSanitizer + UndefinedBehaviorSanitizer)
#   scripts/build.sh fuzz      -> build-fuzz/   (clang, libFuzzer targets)
set -euo pipefail
cd "$(dirname "$0")/.."

config=${1:-release}
jobs=${NIMBREL_JOBS:-2}
case "$config" in
  release) dir=build; options=() ;;
  asan)    dir=build-asan; options=(-DNIMBREL_SANITIZE=ON -DNIMBREL_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug) ;;
  fuzz)    dir=build-fuzz; options=(-DNIMBREL_FUZZ=ON -DNIMBREL_FUZZ_SKIP_CHECKSUM=ON
                                    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++) ;;
  *) echo "usage: scripts/build.sh [release|asan|fuzz]" >&2; exit 2 ;;
esac

cmake -S . -B "$dir" -DCMAKE_EXPORT_COMPILE_COMMANDS=ON "${options[@]}" > "$dir.configure.log" 2>&1 \
  || { cat "$dir.configure.log"; exit 1; }
cmake --build "$dir" -j "$jobs" -- --no-print-directory
