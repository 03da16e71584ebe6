#!/usr/bin/env bash
# Runs a Windows test program under the Wine of its kind (32- or 64-bit) in
# the prefix of the test run (KX4XX_WINEPREFIX, made by scripts/wine-tests.sh).
set -euo pipefail
if [ -z "${KX4XX_WINEPREFIX:-}" ]; then
    echo "KX4XX_WINEPREFIX must name the Wine prefix of the test run (see scripts/wine-tests.sh)" >&2
    exit 2
fi
source "$(dirname "$0")/../scripts/wine-session.sh"
wine_arch "$(program_arch "$1")"
export WINEPREFIX="$KX4XX_WINEPREFIX" WINEDEBUG="${WINEDEBUG:--all}" WINEDLLOVERRIDES="mscoree,mshtml="
exec wine "$@"
