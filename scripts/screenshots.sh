#!/usr/bin/env bash
# Screenshots of the COM port dialog, the main window and the about box, in
# English and in Korean, taken from the real program under Wine on Xvfb:
#   scripts/screenshots.sh [--dpi N] [PROGRAM.exe]
#     PROGRAM.exe  default: build/win/app/ZANTOR-KX400 Manager.exe; the 32- or
#                  64-bit program, run under the Wine of its kind
#     --dpi N      the display's DPI (default 96, 100 %; 120 is 125 %, 144 is
#                  150 %); the desktop grows with it
# Writes docs/screenshots/{com-port,main-window,about}-{en,ko}.png, at a DPI
# other than 96 with -<N>dpi before .png. Needs Xvfb, xdotool and ImageMagick.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dpi=96
if [ "${1:-}" = --dpi ]; then
    dpi=${2:?--dpi needs a number}
    shift 2
fi
program=${1:-$root/build/win/app/ZANTOR-KX400 Manager.exe}
suffix=""
[ "$dpi" = 96 ] || suffix="-${dpi}dpi"
width=$((1024 * dpi / 96))
height=$((768 * dpi / 96))
source "$root/scripts/wine-session.sh"
wine_arch "$(program_arch "$program")"
out="$root/docs/screenshots"
mkdir -p "$out"

display_file=$(mktemp)
Xvfb -displayfd 3 -screen 0 ${width}x${height}x24 -nolisten tcp 3>"$display_file" >/dev/null 2>&1 &
xvfb_pid=$!
trap 'kill $xvfb_pid 2>/dev/null || true; rm -f "$display_file"' EXIT
for _ in $(seq 1 100); do [ -s "$display_file" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$display_file")"

# Each window opens centred on Wine's desktop: cut it out (with the window
# behind it, if any) by trimming the desktop colour around it.
shoot() {
    local name=$1 raw
    raw=$(mktemp --suffix=.png)
    import -window root "$raw"
    local desktop
    desktop=$(convert "$raw" -format "%[pixel:p{$((width - 1)),$((height - 1))}]" info:)
    convert "$raw" -bordercolor "$desktop" -border 1 -trim +repage "$out/$name"
    rm -f "$raw"
}

settle() { sleep "${1:-3}"; }

for language in en ko; do
    if [ "$language" = ko ]; then
        export LANG=ko_KR.UTF-8 LC_ALL=ko_KR.UTF-8
    else
        export LANG=C.UTF-8 LC_ALL=C.UTF-8
    fi
    prefix="${TMPDIR:-/tmp}/kx4xx-wine-shots-$KX4XX_WINE_ARCH-$language"
    "$root/scripts/wine-prefix.sh" "$prefix"
    export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d "${width}x${height}" /f >/dev/null 2>&1
    wineserver -k || true
    wine reg add 'HKLM\HARDWARE\DEVICEMAP\SERIALCOMM' /v '\Device\Serial0' /d COM3 /f >/dev/null 2>&1
    wine reg add 'HKLM\HARDWARE\DEVICEMAP\SERIALCOMM' /v '\Device\Serial1' /d COM10 /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Norvane\ZANTOR-KX400 Manager\KX400 Manager Default Values' \
        /v 'Application COM port' /d COM3 /f >/dev/null 2>&1
    wine "$program" >/dev/null 2>&1 &
    program_pid=$!
    settle 6
    shoot "com-port-$language$suffix.png"
    xdotool key Escape          # cancel: the main window stays, without a port
    settle
    shoot "main-window-$language$suffix.png"
    xdotool key F10 Down Down Return   # Menu > about
    settle
    shoot "about-$language$suffix.png"
    xdotool key Return          # OK closes the about box
    settle 1
    wineserver -k || true
    wait "$program_pid" 2>/dev/null || true
done
echo "screenshots in $out"
