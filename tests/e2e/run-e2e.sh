#!/usr/bin/env bash
# Runs the end-to-end driver under Wine: run-e2e.sh en|ko DRIVER PROGRAM
# The driver starts PROGRAM (the real program file) itself. The run gets a
# display (its own Xvfb when there is none), a Wine prefix per language with
# the simulated adapter's port mapped (KX4XX_SIM_COM to KX4XX_SIM_LINK, as
# scripts/wine-tests.sh exports them), and the locale of the language.
# Screenshots of the key moments go to e2e-screenshots/ beside the driver.
set -euo pipefail
# A step that fails says which, before the test run reports the bare failure.
trap 'echo "run-e2e.sh: line $LINENO: \"$BASH_COMMAND\" failed (status $?)" >&2' ERR
language=${1:?usage: run-e2e.sh en|ko DRIVER PROGRAM}
driver=${2:?usage: run-e2e.sh en|ko DRIVER PROGRAM}
program=${3:?usage: run-e2e.sh en|ko DRIVER PROGRAM}
root=$(cd "$(dirname "$0")/../.." && pwd)
source "$root/scripts/wine-session.sh"

if [ -z "${KX4XX_SIM_COM:-}" ] || [ -z "${KX4XX_SIM_LINK:-}" ]; then
    echo "run-e2e.sh: no simulated adapter; run through scripts/wine-tests.sh" >&2
    exit 1
fi
ui_language "$language"
wine_arch "$(program_arch "$driver")"
virtual_display
wine_session "${KX4XX_WINEPREFIX:-${TMPDIR:-/tmp}/kx4xx-wine}-e2e-$language"
map_sim_port
wineserver -p

shots="$(dirname "$driver")/e2e-screenshots"
mkdir -p "$shots"
rm -f "$shots"/*-"$language".png
KX4XX_E2E_PROGRAM=$(winepath -w "$program" 2>/dev/null)
KX4XX_E2E_SHOTS=$(winepath -w "$shots" 2>/dev/null)
export KX4XX_E2E_PROGRAM KX4XX_E2E_SHOTS
status=0
wine "$driver" || status=$?
echo "screenshots: $shots"
exit "$status"
