#!/usr/bin/env bash
# Runs the Windows build's tests under Wine: wine-tests.sh BUILD_FOLDER
# The run gets its own Wine prefix and, without a display, its own Xvfb.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$1" && pwd)

export KX4XX_WINEPREFIX="$build/wineprefix"
bash "$top/scripts/wine-prefix.sh" "$KX4XX_WINEPREFIX"
export WINEPREFIX="$KX4XX_WINEPREFIX" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

cleanup() {
    wineserver -k 2>/dev/null || true
    [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT

if [ -z "${DISPLAY:-}" ]; then
    for n in $(seq 90 120); do
        [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || { display=":$n"; break; }
    done
    Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=$display
    for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
fi

# A persistent server spares each test program the wait for its shutdown.
wineserver -p
ctest --test-dir "$build" --output-on-failure --timeout 600
