#!/usr/bin/env bash
# Builds everything and runs every test: native, under AddressSanitizer and
# UndefinedBehaviorSanitizer, the threaded tests under ThreadSanitizer, the
# fuzz targets, and both Windows builds under Wine: the 64-bit one under
# 64-bit Wine everywhere, the 32-bit one wherever this machine executes
# 32-bit programs (KX4XX_NO_WIN32=1 makes it act as if it did not). Build
# folders stay in build/ for the next run. The last line counts every CTest
# suite: passed, failed, and skipped (the 32-bit suites that could not run).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
bash scripts/setup.sh
source scripts/wine-session.sh

jobs=$(nproc)
passed=0
failed=0
skipped=0
configure() {  # configure FOLDER [cmake options...]
    local dir=$1
    shift
    cmake -S . -B "build/$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKX4XX_WERROR=ON "$@" >/dev/null
}
# Adds a CTest summary ("N% tests passed, F tests failed out of T") to the counts.
count() {
    local line total fails
    line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$1" | tail -n 1)
    [ -n "$line" ] || return 0
    fails=$(sed -E 's/.*passed, ([0-9]+) tests? failed.*/\1/' <<<"$line")
    total=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$line")
    passed=$((passed + total - fails))
    failed=$((failed + fails))
}
# run_suites LOG COMMAND...: runs a CTest run, shows its output, counts it.
run_suites() {
    local log=$1 status=0
    shift
    "$@" 2>&1 | tee "$log" || status=$?
    count "$log"
    if [ "$status" != 0 ]; then
        echo "summary: $passed passed, $failed failed, $skipped skipped"
        exit "$status"
    fi
}
run_ctest() {  # run_ctest FOLDER [ctest options...]
    local dir=$1
    shift
    run_suites "build/$dir/ctest.log" ctest --test-dir "build/$dir" --output-on-failure --timeout 600 "$@"
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

# The 32-bit program is the one handed to Windows users: it is always built,
# and tested wherever 32-bit Wine runs.
echo "== Windows builds"
configure win64 -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-x86_64.cmake"
cmake --build build/win64 -j"$jobs"
configure win -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-i686.cmake"
cmake --build build/win -j"$jobs"

echo "== 64-bit Windows build under 64-bit Wine"
run_suites build/win64/ctest.log bash scripts/wine-tests.sh build/win64 build/native

if can_run_win32; then
    echo "== 32-bit Windows build under 32-bit Wine"
    run_suites build/win/ctest.log bash scripts/wine-tests.sh build/win build/native
else
    not_run=$(ctest --test-dir build/win -N | sed -n 's/^Total Tests: //p')
    skipped=$((skipped + not_run))
    reason="this machine does not execute 32-bit programs (Wine's 32-bit loader fails)"
    [ "${KX4XX_NO_WIN32:-0}" = 1 ] && reason="KX4XX_NO_WIN32=1 says this machine does not execute 32-bit programs"
    echo "== 32-bit Windows build: built, its $not_run suites (core, GUI en/ko, end-to-end en/ko, kx4xx) did not run: $reason"
fi

echo "summary: $passed passed, $failed failed, $skipped skipped"
