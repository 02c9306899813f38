#!/usr/bin/env bash
# Builds everything natively under AddressSanitizer and UndefinedBehaviorSanitizer and runs every
# test (unit tests, scenarios, interoperability with independent dBase readers), then the Win32
# build under Wine.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
bash "$top/scripts/deps.sh"
build="$top/build-test"
cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=Debug -DVE1_SANITIZE=ON -DVE1_BENCH=ON >/dev/null
cmake --build "$build" -j"$(nproc)"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
(cd "$build" && ctest --output-on-failure -j"$(nproc)")

# The dBase engine's optimised build and its bounded fuzz run.
bash "$top/scripts/engine-checks.sh"

if [ -f "$top/scripts/win32-tests.sh" ]; then
  bash "$top/scripts/win32-tests.sh"
fi
