#!/usr/bin/env bash
# Builds everything and runs every test: native, under AddressSanitizer and
# UndefinedBehaviorSanitizer, the threaded tests under ThreadSanitizer, and
# the Windows build under Wine. Build folders stay in build/ for the next run.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
bash scripts/setup.sh

jobs=$(nproc)
configure() {  # configure FOLDER [cmake options...]
    local dir=$1
    shift
    cmake -S . -B "build/$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
}
run_ctest() {  # run_ctest FOLDER [ctest options...]
    local dir=$1
    shift
    ctest --test-dir "build/$dir" --output-on-failure --timeout 600 "$@"
}

echo "== native"
configure native
cmake --build build/native -j"$jobs"
run_ctest native -j"$jobs"

echo "== native, address and undefined behaviour sanitizers"
configure asan -DKX4XX_SANITIZE=address
cmake --build build/asan -j"$jobs"
run_ctest asan -j"$jobs"

echo "== native, thread sanitizer (threaded tests)"
configure tsan -DKX4XX_SANITIZE=thread
cmake --build build/tsan -j"$jobs"
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" run_ctest tsan -L threaded

echo "== fuzzing"
bash scripts/fuzz.sh 60 build/fuzz

echo "== Windows build under Wine"
configure win -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-i686.cmake"
cmake --build build/win -j"$jobs"
bash scripts/wine-tests.sh build/win build/native
