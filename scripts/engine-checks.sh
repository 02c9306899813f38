#!/usr/bin/env bash
# The dBase engine's checks beside the main test run: the engine and its tests built in an
# optimised configuration (warnings are errors there too) and run, then a bounded run of the
# engine's fuzz target under clang's libFuzzer. One line per step; logs on failure only.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
fuzz_seconds="${VE1_FUZZ_SECONDS:-40}"

# Runs a step quietly into its log; on failure shows the log's end and stops.
quiet() {
  local log="$1"
  shift
  if ! "$@" >"$log" 2>&1; then
    tail -n 60 "$log"
    echo "engine checks: failed: $*"
    exit 1
  fi
}

release="$top/build-release"
mkdir -p "$release"
quiet "$release/engine-configure.log" cmake -S "$top" -B "$release" -DCMAKE_BUILD_TYPE=Release -DVE1_TESTS=ON
quiet "$release/engine-build.log" cmake --build "$release" --target dbf_tests -j"$(nproc)"
quiet "$release/engine-tests.log" "$release/tests/dbf_tests" --gtest_brief=1
echo "engine checks: Release build of the engine and its tests, tests passed"

fuzz="$top/build-fuzz"
mkdir -p "$fuzz"
quiet "$fuzz/fuzz-configure.log" env CC=clang CXX=clang++ \
  cmake -S "$top" -B "$fuzz" -DVE1_FUZZ=ON -DVE1_TESTS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo
quiet "$fuzz/fuzz-build.log" cmake --build "$fuzz" --target dbf_fuzz -j"$(nproc)"
mkdir -p "$fuzz/corpus"
quiet "$fuzz/fuzz-run.log" "$fuzz/tests/fuzz/dbf_fuzz" -max_total_time="$fuzz_seconds" -max_len=400 \
  -timeout=20 -artifact_prefix="$fuzz/" "$fuzz/corpus"
echo "engine checks: fuzz run of ${fuzz_seconds} s, $(grep -o 'Done [0-9]* runs' "$fuzz/fuzz-run.log" | cut -d' ' -f2) inputs, nothing found"
