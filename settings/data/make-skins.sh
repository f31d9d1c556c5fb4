#!/usr/bin/env bash
# Makes the skin pictures that ship with the settings program (ImageMagick). The pictures are
# committed; this records how they were made. Each is larger than the settings window, which
# shows it from its top-left corner.
set -euo pipefail
cd "$(dirname "$0")/skins"
convert -size 900x700 gradient:'#1f2c3a'-'#3f5873' \
    \( -size 900x700 xc: +noise Random -colorspace Gray -blur 0x1 -evaluate multiply 0.06 \) \
    -compose plus -composite -quality 88 slate.jpg
convert -size 900x700 gradient:'#f4ead2'-'#dcc9a0' \
    \( -size 900x700 pattern:hs_diagcross -negate -evaluate multiply 0.05 \) \
    -compose minus_src -composite -quality 88 sand.jpg
convert -size 900x700 radial-gradient:'#2f5a35'-'#12301a' -quality 88 forest.jpg
