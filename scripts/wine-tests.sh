#!/usr/bin/env bash
# Runs the Windows build's tests under the Wine of the build's kind (32-bit
# Wine for the i686 build, 64-bit Wine for the x86_64 one):
#   wine-tests.sh WIN_BUILD NATIVE_BUILD [ctest options...]
# The run gets its own Wine prefix, its own Xvfb when there is no display, and
# a simulated adapter (from the native build) mapped as COM7 and steered by
# the tests over its loopback control socket.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$1" && pwd)
native=$(cd "$2" && pwd)
shift 2
source "$top/scripts/wine-session.sh"
wine_arch "$(program_arch "$build/app/ZANTOR-KX400 Manager.exe")"

export KX4XX_WINEPREFIX="$build/wineprefix"
wine_session "$KX4XX_WINEPREFIX"
virtual_display
start_sim "$build" "$native" --control-port 0

# A persistent server spares each test program the wait for its shutdown.
# The first program starts Wine's background services, which keep whatever
# output they inherit open for as long as the server lives: start them here
# with nothing attached, or CTest would wait on the first test's pipe forever.
wineserver -p </dev/null >/dev/null 2>&1
wine cmd.exe /c exit </dev/null >/dev/null 2>&1
ctest --test-dir "$build" --output-on-failure --timeout 600 "$@"
