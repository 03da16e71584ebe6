#!/usr/bin/env bash
# Runs the Windows build's tests under Wine:
#   wine-tests.sh WIN_BUILD NATIVE_BUILD [ctest options...]
# The run gets its own Wine prefix, its own Xvfb when there is no display, and
# a simulated adapter (from the native build) mapped as COM7 and steered by
# the tests over its loopback control socket.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$1" && pwd)
native=$(cd "$2" && pwd)
shift 2

export KX4XX_WINEPREFIX="$build/wineprefix"
bash "$top/scripts/wine-prefix.sh" "$KX4XX_WINEPREFIX"
export WINEPREFIX="$KX4XX_WINEPREFIX" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

cleanup() {
    wineserver -k 2>/dev/null || true
    [ -n "${sim_pid:-}" ] && kill "$sim_pid" 2>/dev/null || true
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

sim_out="$build/sim.out"
: > "$sim_out"
"$native/sim/kx4xx-sim" --ignore-stdin --link "$build/sim-com7" --control-port 0 \
    --wine-prefix "$KX4XX_WINEPREFIX" --com COM7 > "$sim_out" 2> "$build/sim.err" &
sim_pid=$!
for _ in $(seq 300); do grep -q '^ready' "$sim_out" && break; sleep 0.1; done
grep -q '^ready' "$sim_out" || { cat "$sim_out"; echo "simulated adapter did not start"; exit 1; }
export KX4XX_SIM_COM=COM7 KX4XX_SIM_LINK="$build/sim-com7"
KX4XX_SIM_CONTROL=$(sed -n 's/^control //p' "$sim_out")
export KX4XX_SIM_CONTROL

# A persistent server spares each test program the wait for its shutdown.
# The first program starts Wine's background services, which keep whatever
# output they inherit open for as long as the server lives: start them here
# with nothing attached, or CTest would wait on the first test's pipe forever.
wineserver -p </dev/null >/dev/null 2>&1
wine cmd.exe /c exit </dev/null >/dev/null 2>&1
ctest --test-dir "$build" --output-on-failure --timeout 600 "$@"
