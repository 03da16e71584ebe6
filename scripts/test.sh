#!/usr/bin/env bash
# Builds everything and runs every test: native, under AddressSanitizer and
# UndefinedBehaviorSanitizer, the threaded tests under ThreadSanitizer, the
# fuzz targets, and both Windows builds under Wine: the 64-bit one under
# 64-bit Wine everywhere, the 32-bit one wherever this machine executes
# 32-bit programs (KX4XX_NO_WIN32=1 makes it act as if it did not). Build
# folders stay in build/ for the next run.
#
# Every stage runs, whatever an earlier one did, so that a failure in one
# build never hides the state of another. The last line counts every CTest
# suite (and the fuzzing run as one): passed, failed (a suite whose build
# failed counts as failed), and skipped (the 32-bit suites where they cannot
# run). The exit status is non-zero when anything failed.
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
bash scripts/setup.sh || { echo "test.sh: scripts/setup.sh failed"; exit 1; }
source scripts/wine-session.sh

jobs=$(nproc)
passed=0
failed=0
skipped=0
failures=()

configure() {  # configure FOLDER [cmake options...]
    local dir=$1
    shift
    cmake -S . -B "build/$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKX4XX_WERROR=ON "$@" >/dev/null
}

build() {  # build FOLDER [cmake options...]: configures and builds; says so when it fails
    local dir=$1
    if configure "$@" && cmake --build "build/$dir" -j"$jobs"; then
        return 0
    fi
    echo "== build/$dir: the build failed"
    return 1
}

suite_count() {  # suite_count FOLDER [ctest options...]: how many suites CTest lists (1 when it cannot tell)
    local dir=$1 count
    shift
    count=$(ctest --test-dir "build/$dir" -N "$@" 2>/dev/null | sed -n 's/^Total Tests: //p')
    [ -n "$count" ] && [ "$count" -gt 0 ] && echo "$count" || echo 1
}

# run_suites NAME LOG COMMAND...: runs a CTest run, shows its output, counts
# its summary ("N% tests passed, F tests failed out of T"); a run that ends
# without one (a crash, a script failure) counts as one failed suite.
run_suites() {
    local name=$1 log=$2 status=0 line total fails
    shift 2
    "$@" 2>&1 | tee "$log" || status=$?
    line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
    if [ -n "$line" ]; then
        fails=$(sed -E 's/.*passed, ([0-9]+) tests? failed.*/\1/' <<<"$line")
        total=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$line")
        passed=$((passed + total - fails))
        failed=$((failed + fails))
        [ "$fails" = 0 ] && [ "$status" = 0 ] && return 0
    else
        failed=$((failed + 1))
    fi
    failures+=("$name")
}

# stage NAME FOLDER BUILT COMMAND...: runs the suites of a build, or counts
# them all as failed when the build did not succeed (BUILT is its status).
stage() {
    local name=$1 dir=$2 built=$3
    shift 3
    echo "== $name"
    if [ "$built" != 0 ]; then
        local count
        count=$(suite_count "$dir")
        failed=$((failed + count))
        failures+=("$name (not built: $count suites count as failed)")
        return
    fi
    run_suites "$name" "build/$dir/ctest.log" "$@"
}

build native
stage "native" native $? ctest --test-dir build/native --output-on-failure --timeout 600 -j"$jobs"

build asan -DKX4XX_SANITIZE=address
stage "native, address and undefined behaviour sanitizers" asan $? \
    ctest --test-dir build/asan --output-on-failure --timeout 600 -j"$jobs"

build tsan -DKX4XX_SANITIZE=thread
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" stage "native, thread sanitizer (threaded tests)" tsan $? \
    ctest --test-dir build/tsan --output-on-failure --timeout 600 -L threaded

echo "== fuzzing"
if bash scripts/fuzz.sh 60 build/fuzz; then
    passed=$((passed + 1))
else
    failed=$((failed + 1))
    failures+=("fuzzing")
fi

# The 32-bit program is the one handed to Windows users: it is always built,
# and tested wherever 32-bit Wine runs. The 64-bit suites need the native
# build's simulated adapter.
echo "== Windows builds"
build win64 -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-x86_64.cmake"
win64_built=$?
build win -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-i686.cmake"
win_built=$?
sim_built=0
[ -x build/native/sim/kx4xx-sim ] || sim_built=1

wine_built=$win64_built
[ "$sim_built" = 0 ] || wine_built=1
stage "64-bit Windows build under 64-bit Wine" win64 "$wine_built" \
    bash scripts/wine-tests.sh build/win64 build/native

if can_run_win32; then
    wine_built=$win_built
    [ "$sim_built" = 0 ] || wine_built=1
    stage "32-bit Windows build under 32-bit Wine" win "$wine_built" \
        bash scripts/wine-tests.sh build/win build/native
else
    not_run=$(suite_count win)
    skipped=$((skipped + not_run))
    reason="this machine does not execute 32-bit programs (Wine's 32-bit loader fails)"
    [ "${KX4XX_NO_WIN32:-0}" = 1 ] && reason="KX4XX_NO_WIN32=1 says this machine does not execute 32-bit programs"
    built_text="built"
    [ "$win_built" = 0 ] || built_text="NOT built (its build failed, counted above)"
    if [ "$win_built" != 0 ]; then
        failed=$((failed + 1))
        failures+=("32-bit Windows build (not built)")
    fi
    echo "== 32-bit Windows build: $built_text; its $not_run suites (core, GUI en/ko, end-to-end en/ko, kx4xx, program files) did not run: $reason"
fi

if [ ${#failures[@]} -gt 0 ]; then
    echo "== failed:"
    printf '   %s\n' "${failures[@]}"
fi
echo "summary: $passed passed, $failed failed, $skipped skipped"
[ "$failed" = 0 ] && [ ${#failures[@]} = 0 ]
