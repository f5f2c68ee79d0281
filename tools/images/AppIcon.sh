#!/usr/bin/env bash
# The suite's own icon in the hicolor theme's PNG sizes: the Tango globe of
# the Web Browser's button with the download arrow of the transfer engine
# (public domain, Debian's tango-icon-theme), drawn by ImageMagick.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
icons=$here/../../resources/icons/hicolor
theme=/usr/share/icons/Tango
draw() {  # context/icon size output: the theme's hand-drawn size where it has one
    local file=$theme/$2x$2/$1.png
    [[ -f $file ]] || file=$theme/scalable/$1.svg
    convert -background none -density 300 "$file" -resize "$2x$2" -gravity center \
        -extent "$2x$2" "$3"
}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for size in 16 22 24 32 48 64 128 256; do
    draw apps/internet-web-browser "$size" "$work/globe.png"
    draw actions/go-down $((size * 11 / 20)) "$work/arrow.png"
    mkdir -p "$icons/${size}x${size}/apps"
    convert "$work/globe.png" "$work/arrow.png" -gravity southeast -composite -strip \
        "PNG32:$icons/${size}x${size}/apps/io.sourceforge.corvanta.png"
done
