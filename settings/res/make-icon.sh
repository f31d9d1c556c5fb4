#!/usr/bin/env bash
# Draws the product's icon for TarnwickSettings.exe with ImageMagick: the logo's three rising bars
# (programs starting one after another) on a light tile. Run it again after changing the drawing;
# the result is kept in this folder so that a build needs no ImageMagick.
set -euo pipefail
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Drawn at 256 x 256 and scaled down to each size Windows asks for.
convert -size 256x256 xc:none \
    -fill '#eef1f8' -stroke '#9aa6c4' -strokewidth 6 -draw 'roundrectangle 8,8 248,248 36,36' \
    -stroke none \
    -fill '#8080ff' -draw 'roundrectangle 40,150 92,216 8,8' \
    -fill '#6a6ae6' -draw 'roundrectangle 102,100 154,216 8,8' \
    -fill '#4b4bc4' -draw 'roundrectangle 164,44 216,216 8,8' \
    "$work/icon.png"
for size in 16 32 48 256; do convert "$work/icon.png" -resize ${size}x${size} "$work/$size.png"; done
convert "$work/16.png" "$work/32.png" "$work/48.png" "$work/256.png" -depth 8 tarnwick.ico
