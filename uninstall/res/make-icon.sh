#!/usr/bin/env bash
# Draws uninstall.exe's icon with ImageMagick: the logo's three rising bars (programs starting one
# after another) with a red cross over them. Run it again after changing the drawing; the result
# is kept in this folder so that a build needs no ImageMagick.
set -euo pipefail
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Drawn at 256 x 256 and scaled down to each size Windows asks for.
convert -size 256x256 xc:none \
    -fill '#8080ff' -draw 'roundrectangle 20,150 80,236 10,10' \
    -fill '#6a6ae6' -draw 'roundrectangle 98,92 158,236 10,10' \
    -fill '#4b4bc4' -draw 'roundrectangle 176,28 236,236 10,10' \
    -stroke '#c62828' -strokewidth 34 \
    -draw 'line 92,92 220,220' -draw 'line 220,92 92,220' \
    "$work/icon.png"
for size in 16 32 48 256; do convert "$work/icon.png" -resize ${size}x${size} "$work/$size.png"; done
convert "$work/16.png" "$work/32.png" "$work/48.png" "$work/256.png" -depth 8 uninstall.ico
