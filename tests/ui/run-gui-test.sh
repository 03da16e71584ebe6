#!/usr/bin/env bash
# Runs a GUI test program under the Wine of its kind: run-gui-test.sh en|ko PROGRAM [ARGS...]
# Starts its own Xvfb when there is no display, makes a Wine prefix per
# language (Wine rewrites the prefix's locale at every start, so the two
# languages must not share one), sets the locale of the language and maps the
# simulated adapter's port when the run has one.
set -euo pipefail
# A step that fails says which, before the test run reports the bare failure.
trap 'echo "run-gui-test.sh: line $LINENO: \"$BASH_COMMAND\" failed (status $?)" >&2' ERR
language=${1:?usage: run-gui-test.sh en|ko PROGRAM [ARGS...]}
shift
root=$(cd "$(dirname "$0")/../.." && pwd)
source "$root/scripts/wine-session.sh"

ui_language "$language"
wine_arch "$(program_arch "$1")"
virtual_display
wine_session "${KX4XX_WINEPREFIX:-${TMPDIR:-/tmp}/kx4xx-wine}-gui-$language"
map_sim_port
wineserver -p
wine "$@"
