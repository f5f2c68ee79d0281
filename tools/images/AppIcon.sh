#!/usr/bin/env bash
# The suite's own icon in the hicolor theme's PNG sizes: the Tango globe of
# the Web Browser's button with the download arrow of the transfer engine
# (public domain, Debian's tango-icon-theme), drawn by rsvg-convert.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
icons=$here/../../resources/icons/hicolor
theme=/usr/share/icons/Tango/scalable
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for size in 16 22 24 32 48 64 128 256; do
    arrow=$((size * 11 / 20))
    rsvg-convert -w "$size" -h "$size" "$theme/apps/internet-web-browser.svg" -o "$work/globe.png"
    rsvg-convert -w "$arrow" -h "$arrow" "$theme/actions/go-down.svg" -o "$work/arrow.png"
    mkdir -p "$icons/${size}x${size}/apps"
    convert "$work/globe.png" "$work/arrow.png" -gravity southeast -composite -strip \
        "PNG32:$icons/${size}x${size}/apps/io.sourceforge.corvanta.png"
done
