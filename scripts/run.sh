#!/usr/bin/env bash
# Builds ZANTOR-KX400 Manager and runs it under Wine against the simulated
# adapter (mapped as COM7 and so listed and preselectable in the port dialog).
#
#   scripts/run.sh                    English user interface, simulated adapter
#   scripts/run.sh --korean           Korean user interface
#   scripts/run.sh --device /dev/ttyUSB0   a real adapter instead of the simulation
#   scripts/run.sh --arch win32|win64      the 32- or 64-bit program (default: the
#                                     32-bit one where this machine executes
#                                     32-bit programs, else the 64-bit one)
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
arch=""
while [ $# -gt 0 ]; do
    case "$1" in
        --korean) korean=1 ;;
        --device) device=${2:?--device needs a path}; shift ;;
        --arch) arch=${2:?--arch needs win32 or win64}; shift ;;
        --help) sed -n '2,15p' "$0"; exit 0 ;;
        *) echo "unknown option $1 (see --help)" >&2; exit 2 ;;
    esac
    shift
done

# step WHAT COMMAND...: runs a step; on failure says which and ends the run.
step() {
    local what=$1 status=0
    shift
    "$@" || status=$?
    if [ "$status" != 0 ]; then
        echo "run.sh: $what failed (exit status $status); the messages above say why" >&2
        exit "$status"
    fi
}

step "installing what the program needs (scripts/setup.sh, as root)" bash scripts/setup.sh
source scripts/wine-session.sh
case "$arch" in
    "")
        if can_run_win32; then
            arch=win32
        else
            arch=win64
            echo "this machine does not execute 32-bit programs: running the 64-bit program"
        fi ;;
    win32 | win64) ;;
    *) echo "run.sh: --arch must be win32 or win64" >&2; exit 2 ;;
esac
if [ "$arch" = win32 ]; then
    win=build/win toolchain=cmake/mingw-i686.cmake
else
    win=build/win64 toolchain=cmake/mingw-x86_64.cmake
fi
step "choosing $arch Wine" wine_arch "$arch"
echo "running the $([ "$arch" = win32 ] && echo 32 || echo 64)-bit program ($win)"

jobs=$(nproc)
step "configuring the native build" cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
step "building the simulated adapter" cmake --build build/native -j"$jobs" --target kx4xx-sim
step "configuring the $arch build" cmake -S . -B "$win" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE="$top/$toolchain" >/dev/null
step "building the program" cmake --build "$win" -j"$jobs" --target kx4xx_manager
program="$top/$win/app/ZANTOR-KX400 Manager.exe"

run="$top/build/run"
mkdir -p "$run"
step "making the Wine prefix $run/wineprefix-$arch" wine_session "$run/wineprefix-$arch"
# Decided before any Wine program runs: Wine's desktop takes the display it
# finds when its services start.
headless=0
[ -n "${DISPLAY:-}" ] || { headless=1; step "starting a virtual display (Xvfb)" virtual_display; }

if [ -n "$device" ]; then
    wine reg add 'HKLM\Software\Wine\Ports' /v COM7 /d "$device" /f >/dev/null 2>&1
    wineserver -k || true
    echo "COM7 is $device"
else
    step "starting the simulated adapter" start_sim "$run" "$top/build/native" --control-port 0
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

# Commands the adapter has received: none yet, some, or all of the read (the
# window is ready after the last slot read).
sim_count() {
    [ -n "${KX4XX_SIM_CONTROL:-}" ] || { echo none; return; }
    exec 3<>"/dev/tcp/${KX4XX_SIM_CONTROL%:*}/${KX4XX_SIM_CONTROL#*:}"
    echo record >&3
    local reply
    read -r reply <&3
    exec 3<&-
    case "$reply" in *"AT+GETSLOT=7"*) echo ready ;; *"AT"*) echo waiting ;; *) echo none ;; esac
}

for _ in $(seq 300); do
    xdotool search --name "Select COM port" >/dev/null 2>&1 && break
    xwininfo -root -tree 2>/dev/null | grep -q 'Wine desktop' && sleep 1 && break
    sleep 0.1
done
# Return confirms the port dialog once it has the keyboard; on a slow or
# loaded machine it may come later than the desktop, so Return is pressed
# again while the adapter has heard nothing (never after: the main window
# would take it).
for _ in $(seq 15); do
    sleep 2
    [ "$(sim_count)" = none ] || break
    [ -n "$device" ] && { xdotool key Return; break; }
    xdotool key Return
done
ready=0
for _ in $(seq 200); do
    [ "$(sim_count)" = ready ] && { ready=1; break; }
    kill -0 "$program_pid" 2>/dev/null || break
    sleep 0.1
done
if [ "$ready" = 0 ] && [ -z "$device" ]; then
    import -window root "$run/screenshot.png"
    if kill -0 "$program_pid" 2>/dev/null; then
        echo "run.sh: the program did not read the adapter within 20 s; the screen is in $run/screenshot.png" >&2
    else
        echo "run.sh: the program ended before it read the adapter; the screen is in $run/screenshot.png" >&2
    fi
    exit 1
fi
sleep 1  # the window shows what it read
import -window root "$run/screenshot.png"
echo "screenshot: $run/screenshot.png"
kill "$program_pid" 2>/dev/null || true
