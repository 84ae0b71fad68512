#!/usr/bin/env bash
# Renders kxveldran.svg (a chip with pins on a green tile, lettered "KX") into the PNGs the
# program and the package carry: kxveldran.png (64 px, built into the window) and
# hicolor/<size>/apps/kxveldran.png for the desktop's icon theme, and kxveldran.ico, all those
# sizes in one file for the Windows program (cmake/WindowsResource.cmake; a Windows build
# machine has no tool to make it, so it is kept here). Needs rsvg-convert (librsvg2-bin) and
# ImageMagick's convert (imagemagick; CONVERT names another). Run from anywhere; writes next
# to this script.
set -euo pipefail
cd "$(dirname "$0")"
rsvg-convert -w 64 -h 64 kxveldran.svg -o kxveldran.png
for size in 16 24 32 48 64 128 256; do
    mkdir -p "hicolor/${size}x${size}/apps"
    rsvg-convert -w "$size" -h "$size" kxveldran.svg -o "hicolor/${size}x${size}/apps/kxveldran.png"
done
sizes=()
for size in 16 24 32 48 64 128 256; do sizes+=("hicolor/${size}x${size}/apps/kxveldran.png"); done
"${CONVERT:-convert}" "${sizes[@]}" kxveldran.ico
