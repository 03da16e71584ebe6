#!/usr/bin/env bash
# Runs the DLL planting test under the Wine of its kind:
#   run-planting-test.sh DRIVER WINDOW_PROGRAM CLI_PROGRAM PLANTED_DLL
# The driver copies the programs and the planted DLL into folders of their
# own and starts them itself; the window program needs a display (its own
# Xvfb when there is none) and gets a Wine prefix of its own.
set -euo pipefail
usage="usage: run-planting-test.sh DRIVER WINDOW_PROGRAM CLI_PROGRAM PLANTED_DLL"
driver=${1:?$usage}
root=$(cd "$(dirname "$0")/../.." && pwd)
source "$root/scripts/wine-session.sh"

ui_language en
wine_arch "$(program_arch "$driver")"
virtual_display
wine_session "${KX4XX_WINEPREFIX:-${TMPDIR:-/tmp}/kx4xx-wine}-planting"
wineserver -p
KX4XX_PLANTING_MANAGER=$(winepath -w "${2:?$usage}" 2>/dev/null)
KX4XX_PLANTING_CLI=$(winepath -w "${3:?$usage}" 2>/dev/null)
KX4XX_PLANTED_DLL=$(winepath -w "${4:?$usage}" 2>/dev/null)
export KX4XX_PLANTING_MANAGER KX4XX_PLANTING_CLI KX4XX_PLANTED_DLL
# Native before builtin for the planted names: Wine then searches the
# program's folder first, as Windows does (the driver checks it is set).
export WINEDLLOVERRIDES="version,gdiplus,riched20,shell32,comctl32=n,b;$WINEDLLOVERRIDES"
wine "$driver"
