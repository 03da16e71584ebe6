#!/usr/bin/env bash
# Builds and runs the GUI benchmarks under Wine and prints their table:
#   bench/run-gui-bench.sh [WIN_BUILD NATIVE_BUILD]   (default build/win build/native)
# The real program and the minimal dialog program run the same way, one
# after the other in one run, on a virtual display, against the simulated
# adapter mapped as COM7 (answering at once: no delays, no faults).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
win=${1:-build/win}
native=${2:-build/native}
bash scripts/setup.sh >/dev/null
cmake -S . -B "$native" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$native" -j"$(nproc)" --target kx4xx-sim >/dev/null
cmake -S . -B "$win" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-i686.cmake" >/dev/null
cmake --build "$win" -j"$(nproc)" --target kx4xx_gui_bench >/dev/null
win=$(cd "$win" && pwd)
native=$(cd "$native" && pwd)

source scripts/wine-session.sh
run="$win/gui-bench"
mkdir -p "$run"
wine_session "$run/wineprefix"
virtual_display
start_sim "$run" "$native" --control-port 0
wineserver -p </dev/null >/dev/null 2>&1
wine cmd.exe /c exit </dev/null >/dev/null 2>&1

program=$(winepath -w "$win/app/ZANTOR-KX400 Manager.exe" 2>/dev/null)
minimal=$(winepath -w "$win/bench/gui/kx4xx_minimal_dialog.exe" 2>/dev/null)
echo "GUI benchmarks, $(date -u +%Y-%m-%d), $(nproc) cores, $(wine --version)"
wine "$win/bench/gui/kx4xx_gui_bench.exe" "$program" "$minimal" | tr -d '\r'
