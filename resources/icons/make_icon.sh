#!/usr/bin/env bash
# Redraws kxveldran.png (the window and About-box icon) with ImageMagick: a chip with
# pins on a green tile, lettered "KX". Run from anywhere; writes next to this script.
set -euo pipefail
cd "$(dirname "$0")"
convert -size 64x64 xc:none \
    -fill '#2e7d32' -draw 'roundrectangle 1,1 62,62 10,10' \
    -fill '#c8f0c8' -draw 'rectangle 10,16 14,18 rectangle 10,24 14,26 rectangle 10,32 14,34 rectangle 10,40 14,42' \
    -fill '#c8f0c8' -draw 'rectangle 49,16 53,18 rectangle 49,24 53,26 rectangle 49,32 53,34 rectangle 49,40 53,42' \
    -fill '#212121' -draw 'roundrectangle 14,10 49,50 3,3' \
    -fill '#ffffff' -font DejaVu-Sans-Bold -pointsize 15 -gravity center -annotate +0-1 'KX' \
    -fill '#c8f0c8' -draw 'circle 20,16 22,16' \
    PNG32:kxveldran.png
