#!/usr/bin/env bash
# Runs a Windows test program under Wine in the test run's own prefix
# (KX4XX_WINEPREFIX, made by scripts/wine-prefix.sh).
set -euo pipefail
: "${KX4XX_WINEPREFIX:?KX4XX_WINEPREFIX must name the test run's Wine prefix}"
export WINEPREFIX="$KX4XX_WINEPREFIX" WINEDEBUG="${WINEDEBUG:--all}" WINEDLLOVERRIDES="mscoree,mshtml="
exec wine "$@"
