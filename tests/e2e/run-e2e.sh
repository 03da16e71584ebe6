#!/usr/bin/env bash
# Runs the end-to-end driver under Wine: run-e2e.sh en|ko DRIVER PROGRAM
# The driver starts PROGRAM (the real program file) itself. The run gets a
# display (its own Xvfb when there is none), a Wine prefix per language with
# the simulated adapter's port mapped (KX4XX_SIM_COM to KX4XX_SIM_LINK, as
# scripts/wine-tests.sh exports them), and the locale of the language.
# Screenshots of the key moments go to e2e-screenshots/ beside the driver.
set -euo pipefail
language=${1:?usage: run-e2e.sh en|ko DRIVER PROGRAM}
driver=${2:?usage: run-e2e.sh en|ko DRIVER PROGRAM}
program=${3:?usage: run-e2e.sh en|ko DRIVER PROGRAM}
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)

case "$language" in
    en) export LANG=C.UTF-8 LC_ALL=C.UTF-8 ;;
    ko)
        if ! locale -a | grep -qix 'ko_KR.utf8'; then
            echo "run-e2e.sh: the ko_KR.UTF-8 locale is not generated (locale-gen)" >&2
            exit 1
        fi
        export LANG=ko_KR.UTF-8 LC_ALL=ko_KR.UTF-8 ;;
    *) echo "run-e2e.sh: language must be en or ko" >&2; exit 2 ;;
esac
export KX4XX_UI_LANGUAGE="$language"

xvfb_pid=""
cleanup() {
    wineserver -k 2>/dev/null || true
    if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
}
trap cleanup EXIT
if [ -z "${DISPLAY:-}" ]; then
    display_file=$(mktemp)
    Xvfb -displayfd 4 -screen 0 1280x1024x24 -nolisten tcp 4>"$display_file" >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 1 100); do
        [ -s "$display_file" ] && break
        sleep 0.1
    done
    display=$(cat "$display_file")
    rm -f "$display_file"
    [ -n "$display" ] || { echo "run-e2e.sh: Xvfb did not start" >&2; exit 1; }
    export DISPLAY=":$display"
fi

prefix="${KX4XX_WINEPREFIX:-${TMPDIR:-/tmp}/kx4xx-wine}-e2e-$language"
"$root/scripts/wine-prefix.sh" "$prefix"
export WINEPREFIX="$prefix" WINEDEBUG="${WINEDEBUG:--all}" WINEDLLOVERRIDES="mscoree,mshtml="
if [ -z "${KX4XX_SIM_COM:-}" ] || [ -z "${KX4XX_SIM_LINK:-}" ]; then
    echo "run-e2e.sh: no simulated adapter; run through scripts/wine-tests.sh" >&2
    exit 1
fi
# The port map is read when Wine's server starts, and Wine lists the mapped
# port in the system's serial port map, where the port dialog finds it.
wine reg add 'HKLM\Software\Wine\Ports' /v "$KX4XX_SIM_COM" /d "$KX4XX_SIM_LINK" /f </dev/null >/dev/null 2>&1
wineserver -k || true
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
