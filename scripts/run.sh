#!/usr/bin/env bash
# Builds ZANTOR-KX400 Manager and runs it under Wine against the simulated
# adapter (mapped as COM7 and so listed and preselectable in the port dialog).
#
#   scripts/run.sh                    English user interface, simulated adapter
#   scripts/run.sh --korean           Korean user interface
#   scripts/run.sh --device /dev/ttyUSB0   a real adapter instead of the simulation
#
# With a display (DISPLAY set) you use the program. Without one it runs on a
# virtual display, saves a screenshot of the first window after start-up to
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

if [ -n "$device" ]; then
    wine reg add 'HKLM\Software\Wine\Ports' /v COM7 /d "$device" /f >/dev/null 2>&1
    wineserver -k || true
    echo "COM7 is $device"
else
    start_sim "$run" "$top/build/native"
    echo "simulated adapter on COM7 ($(sed -n 's/^pty //p' "$run/sim.out"))"
fi

if [ "$korean" = 1 ]; then
    export LANG=ko_KR.UTF-8 LC_ALL=ko_KR.UTF-8
fi

if [ -n "${DISPLAY:-}" ]; then
    wine "$program"
    exit 0
fi

virtual_display
wine "$program" &
for _ in $(seq 300); do
    xwininfo -root -tree 2>/dev/null | grep -q 'Wine desktop' && break
    sleep 0.1
done
sleep 4  # the program starts and shows its first dialog
import -window root "$run/screenshot.png"
echo "screenshot: $run/screenshot.png"
