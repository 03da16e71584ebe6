#!/usr/bin/env bash
# Builds and runs the GUI benchmarks under Wine and prints their table:
#   bench/run-gui-bench.sh [--arch win32|win64] [--earlier PROGRAM.exe] [WIN_BUILD [NATIVE_BUILD]]
# --arch picks the Windows build's kind and the Wine that runs it: win32 where
# this machine executes 32-bit programs, else win64. The Windows build folder
# defaults to build/win (win32) or build/win64 (win64), the native one to
# build/native. The real program and the minimal dialog program run the same
# way, one after the other in one run, on a virtual display, against the
# simulated adapter mapped as COM7 (answering at once: no delays, no faults).
# --earlier measures the connect of another build of the program (a copy of
# an earlier program file) in the same run, for a figure before and after.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
source scripts/wine-session.sh

arch=""
if [ "${1:-}" = "--arch" ]; then
    arch=${2:-}
    shift 2 || { echo "--arch needs win32 or win64" >&2; exit 2; }
fi
earlier=""
if [ "${1:-}" = "--earlier" ]; then
    earlier=$(cd "$(dirname "${2:?--earlier needs a program file}")" && pwd)/$(basename "$2")
    shift 2
fi
if [ -z "$arch" ]; then
    if can_run_win32; then arch=win32; else arch=win64; fi
fi
case "$arch" in
    win32) toolchain=mingw-i686; default_win=build/win ;;
    win64) toolchain=mingw-x86_64; default_win=build/win64 ;;
    *) echo "--arch must be win32 or win64" >&2; exit 2 ;;
esac
win=${1:-$default_win}
native=${2:-build/native}

bash scripts/setup.sh >/dev/null
cmake -S . -B "$native" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$native" -j2 --target kx4xx-sim >/dev/null
cmake -S . -B "$win" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE="$top/cmake/$toolchain.cmake" >/dev/null
cmake --build "$win" -j2 --target kx4xx_gui_bench >/dev/null
win=$(cd "$win" && pwd)
native=$(cd "$native" && pwd)

wine_arch "$arch"
run="$win/gui-bench"
mkdir -p "$run"
wine_session "$run/wineprefix"
virtual_display
start_sim "$run" "$native" --control-port 0
wineserver -p </dev/null >/dev/null 2>&1
wine cmd.exe /c exit </dev/null >/dev/null 2>&1

program=$(winepath -w "$win/app/ZANTOR-KX400 Manager.exe" 2>/dev/null)
minimal=$(winepath -w "$win/bench/gui/kx4xx_minimal_dialog.exe" 2>/dev/null)
echo "GUI benchmarks, $(date -u '+%Y-%m-%d %H:%M UTC'), $arch build, $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg), $(wine --version)"
earlier_arg=()
[ -z "$earlier" ] || earlier_arg=("$(winepath -w "$earlier" 2>/dev/null)")
wine "$win/bench/gui/kx4xx_gui_bench.exe" "$program" "$minimal" "${earlier_arg[@]}" | tr -d '\r'
echo "load after the run: $(cut -d' ' -f1-3 /proc/loadavg)"
