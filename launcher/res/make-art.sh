#!/usr/bin/env bash
# Draws the launcher's pictures with ImageMagick: the four 16 x 16 button icons, the logo bitmap
# carried inside Tarnwick.exe and its JPEG copy for the settings program. Run it again after
# changing a drawing; the results are kept in this folder so that a build needs no ImageMagick.
set -euo pipefail
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Each icon is drawn at 64 x 64 and scaled down, so the edges come out smooth at 16 x 16.
icon() {
    local name=$1
    shift
    convert -size 64x64 xc:none -fill '#1f2a44' -stroke '#1f2a44' -strokewidth 2 "$@" \
        -resize 16x16 "$work/$name.png"
    convert "$work/$name.png" -define icon:auto-resize=16 "$name.ico"
}
icon pause -draw 'roundrectangle 14,10 26,54 3,3' -draw 'roundrectangle 38,10 50,54 3,3'
icon play -draw 'polygon 16,8 16,56 54,32'
icon fastforward -draw 'polygon 6,12 6,52 32,32' -draw 'polygon 32,12 32,52 58,32'
icon stop -draw 'roundrectangle 12,12 52,52 4,4'

# The logo: 2160 x 405 twips, that is 144 x 27 pixels at 96 DPI. Drawn four times larger and
# scaled down; three rising bars (programs starting one after another) and the name.
convert -size 576x108 gradient:'#f4f6fb'-'#d9dfec' \
    -fill '#8080ff' -draw 'roundrectangle 14,62 38,94 4,4' \
    -fill '#6a6ae6' -draw 'roundrectangle 46,40 70,94 4,4' \
    -fill '#4b4bc4' -draw 'roundrectangle 78,16 102,94 4,4' \
    -font DejaVu-Sans-Bold -pointsize 66 -fill '#1f2a44' -annotate +122+80 'Tarnwick' \
    -fill '#4b4bc4' -draw 'rectangle 124,90 560,94' \
    -resize 144x27! "$work/logo.png"
convert "$work/logo.png" +dither -colors 128 -type Palette BMP3:twlogo.bmp
convert "$work/logo.png" -quality 92 twlogo.jpg
