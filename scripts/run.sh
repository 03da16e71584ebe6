#!/usr/bin/env bash
# Builds ZANTOR-KX400 Manager and runs it under Wine against the simulated
# adapter (mapped as COM7 and so listed and preselectable in the port dialog).
#
#   scripts/run.sh                    English user interface, simulated adapter
#   scripts/run.sh --korean           Korean user interface
#   scripts/run.sh --device /dev/ttyUSB0   a real adapter instead of the simulation
#
# With a display (DISPLAY set) you use the program. Without one it runs on a
# virtual display, confirms the COM port dialog (COM7 is preselected), waits
# until the adapter has been read, saves a screenshot of the main window to
# build/run/screenshot.png, prints where it is, and ends the program.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"

korean=0
device=""
while [ $# -gt 0 ]; do
    case "$1" in
        --korean) korean=1 ;;
        --device) device=${2:?--device needs a path}; shift ;;
        --help) sed -n '2,12p' "$0"; exit 0 ;;
        *) echo "unknown option $1 (see --help)" >&2; exit 2 ;;
    esac
    shift
done

bash scripts/setup.sh
jobs=$(nproc)
cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/native -j"$jobs" --target kx4xx-sim
cmake -S . -B build/win -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-i686.cmake" >/dev/null
cmake --build build/win -j"$jobs" --target kx4xx_manager
program="$top/build/win/app/ZANTOR-KX400 Manager.exe"

source scripts/wine-session.sh
run="$top/build/run"
mkdir -p "$run"
wine_session "$run/wineprefix"
# Decided before any Wine program runs: Wine's desktop takes the display it
# finds when its services start.
headless=0
[ -n "${DISPLAY:-}" ] || { headless=1; virtual_display; }

if [ -n "$device" ]; then
    wine reg add 'HKLM\Software\Wine\Ports' /v COM7 /d "$device" /f >/dev/null 2>&1
    wineserver -k || true
    echo "COM7 is $device"
else
    start_sim "$run" "$top/build/native" --control-port 0
    echo "simulated adapter on COM7 ($(sed -n 's/^pty //p' "$run/sim.out"))"
fi

# The port the dialog preselects, as a user's earlier choice would leave it.
wine reg add 'HKCU\Software\Norvane\ZANTOR-KX400 Manager\KX400 Manager Default Values' \
    /v "Application COM port" /d COM7 /f >/dev/null 2>&1

if [ "$korean" = 1 ]; then
    export LANG=ko_KR.UTF-8 LC_ALL=ko_KR.UTF-8
fi

if [ "$headless" = 0 ]; then
    wine "$program"
    exit 0
fi

wine "$program" &
program_pid=$!

# Commands the adapter has received; the window is ready after the last slot read.
sim_count() {
    [ -n "${KX4XX_SIM_CONTROL:-}" ] || { echo 0; return; }
    exec 3<>"/dev/tcp/${KX4XX_SIM_CONTROL%:*}/${KX4XX_SIM_CONTROL#*:}"
    echo record >&3
    local reply
    read -r reply <&3
    exec 3<&-
    case "$reply" in *"AT+GETSLOT=7"*) echo ready ;; *) echo waiting ;; esac
}

for _ in $(seq 300); do
    xdotool search --name "Select COM port" >/dev/null 2>&1 && break
    xwininfo -root -tree 2>/dev/null | grep -q 'Wine desktop' && sleep 1 && break
    sleep 0.1
done
sleep 2  # the dialog settles with OK focused
xdotool key Return
for _ in $(seq 200); do
    [ "$(sim_count)" = ready ] && break
    sleep 0.1
done
sleep 1  # the window shows what it read
import -window root "$run/screenshot.png"
echo "screenshot: $run/screenshot.png"
kill "$program_pid" 2>/dev/null || true
