#!/usr/bin/env bash
# Renders the SVG artwork into the PNG pictures and the icon that app.rc
# embeds. The rendered files are committed, so the build needs none of this.
# Needs rsvg-convert (librsvg2-bin), ImageMagick and the fonts the SVGs name
# (fonts-dejavu-core, fonts-urw-base35).
set -euo pipefail
art=$(cd "$(dirname "$0")" && pwd)
out="$art/../images"
mkdir -p "$out"

render() { # svg png width height
    rsvg-convert -w "$3" -h "$4" -o "$out/$2" "$art/$1"
}
render wordmark.svg  wordmark.png  256 38
render emblem.svg    emblem.png    256 256
render kx400.svg     kx400.png     256 256
render kx410.svg     kx410.png     256 256
render kx420.svg     kx420.png     256 256
render baud_dial.svg baud_dial.png 331 215

# One icon file with the three sizes; 16 pixels has its own simpler drawing.
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
rsvg-convert -w 48 -h 48 -o "$tmp/48.png" "$art/icon.svg"
rsvg-convert -w 32 -h 32 -o "$tmp/32.png" "$art/icon.svg"
rsvg-convert -w 16 -h 16 -o "$tmp/16.png" "$art/icon16.svg"
convert "$tmp/16.png" "$tmp/32.png" "$tmp/48.png" "$out/app.ico"
