#!/usr/bin/env bash
# Builds and runs the whole test suite twice: a normal build and an
# AddressSanitizer + UndefinedBehaviorSanitizer build, then a short pass of the fuzz targets.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

run() {
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
  ctest --test-dir "$dir" -j "$jobs" --output-on-failure
}

run build -DCMAKE_BUILD_TYPE=RelWithDebInfo
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
run build-asan -DCMAKE_BUILD_TYPE=Debug -DZRT_SANITIZE=ON -DZRT_BENCH=OFF
# A short pass of every fuzz target over its seed corpus, so that a reader that regressed
# on the inputs the corpus reaches is caught (scripts/fuzz.sh SECONDS runs a longer one).
ZRT_FUZZ_JOBS=$jobs scripts/fuzz.sh 3
echo "test: all passed (normal and sanitizer builds, short fuzz pass)"
