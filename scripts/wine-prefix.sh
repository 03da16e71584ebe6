#!/usr/bin/env bash
# Makes a Wine prefix for a test or run: wine-prefix.sh DIR
# Silent first start, Wine's own fonts copied in (Debian looks for them at a
# broken path), a Hangul-capable replacement for the dialog font, and a
# virtual desktop so that windows get frames and close without waiting on X.
set -euo pipefail
prefix=${1:?usage: wine-prefix.sh DIR}
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$prefix/system.reg" ]; then
    mkdir -p "$prefix"
    wineboot -i >/dev/null 2>&1
    wineserver -w
fi
fonts="$prefix/drive_c/windows/Fonts"
mkdir -p "$fonts"
cp -n /usr/share/wine/fonts/*.ttf "$fonts/" 2>/dev/null || true
wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
if fc-list : family | grep -i nanumgothic >/dev/null; then
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Tahoma /d NanumGothic /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "MS Shell Dlg" /d NanumGothic /f >/dev/null 2>&1
fi
wineserver -k || true
