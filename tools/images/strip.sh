#!/usr/bin/env bash
# Builds one image strip: the named Tango icons (public domain, Debian's
# tango-icon-theme) side by side on magenta, which the suite draws transparent.
#   strip.sh OUTPUT.bmp SIZE context/icon-name ...
set -euo pipefail
out=$1 size=$2
shift 2
theme=/usr/share/icons/Tango
frames=()
for icon in "$@"; do
    file=$theme/${size}x${size}/$icon.png
    [[ -f $file ]] || file=$theme/scalable/$icon.svg
    [[ -f $file ]] || { echo "missing icon: $icon" >&2; exit 1; }
    frames+=("$file")
done
args=()
for file in "${frames[@]}"; do
    args+=("(" "$file" -background 'rgb(255,0,255)' -resize "${size}x${size}" -channel A -threshold 50% +channel \
        -gravity center -extent "${size}x${size}" -flatten ")")
done
convert "${args[@]}" +append -alpha off -type TrueColor "BMP3:$out"
