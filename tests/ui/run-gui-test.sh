#!/usr/bin/env bash
# Runs a GUI test program under Wine: run-gui-test.sh en|ko PROGRAM [ARGS...]
# Starts its own Xvfb when there is no display, makes a Wine prefix per
# language (Wine rewrites the prefix's locale at every start, so the two
# languages must not share one) and sets the locale of the language.
set -euo pipefail
language=${1:?usage: run-gui-test.sh en|ko PROGRAM [ARGS...]}
shift
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)

case "$language" in
    en) export LANG=C.UTF-8 LC_ALL=C.UTF-8 ;;
    ko)
        if ! locale -a | grep -qix 'ko_KR.utf8'; then
            echo "run-gui-test.sh: the ko_KR.UTF-8 locale is not generated (locale-gen)" >&2
            exit 1
        fi
        export LANG=ko_KR.UTF-8 LC_ALL=ko_KR.UTF-8 ;;
    *) echo "run-gui-test.sh: language must be en or ko" >&2; exit 2 ;;
esac

export KX4XX_UI_LANGUAGE="$language"

xvfb_pid=""
cleanup() {
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
    if [ -z "$display" ]; then
        echo "run-gui-test.sh: Xvfb did not start" >&2
        exit 1
    fi
    export DISPLAY=":$display"
fi

prefix="${KX4XX_WINEPREFIX:-${TMPDIR:-/tmp}/kx4xx-wine}-gui-$language"
"$root/scripts/wine-prefix.sh" "$prefix"
export WINEPREFIX="$prefix" WINEDEBUG="${WINEDEBUG:--all}" WINEDLLOVERRIDES="mscoree,mshtml="
# The simulated adapter's port, when the run has one, is mapped in this
# prefix too; the server must restart to read the map.
if [ -n "${KX4XX_SIM_COM:-}" ] && [ -n "${KX4XX_SIM_LINK:-}" ]; then
    wine reg add 'HKLM\Software\Wine\Ports' /v "$KX4XX_SIM_COM" /d "$KX4XX_SIM_LINK" /f </dev/null >/dev/null 2>&1
    wineserver -k || true
fi
wineserver -p
status=0
wine "$@" || status=$?
wineserver -k || true
exit "$status"
