#!/usr/bin/env bash
# Runs a Windows test program under Wine in the prefix of the test run
# (KX4XX_WINEPREFIX, made by scripts/wine-prefix.sh).
set -euo pipefail
if [ -z "${KX4XX_WINEPREFIX:-}" ]; then
    echo "KX4XX_WINEPREFIX must name the Wine prefix of the test run (see scripts/wine-tests.sh)" >&2
    exit 2
fi
export WINEPREFIX="$KX4XX_WINEPREFIX" WINEDEBUG="${WINEDEBUG:--all}" WINEDLLOVERRIDES="mscoree,mshtml="
exec wine "$@"
