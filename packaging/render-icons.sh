#!/usr/bin/env bash
# Renders the PNG sizes of the icon from icons/hicolor/scalable/apps/vordana.svg. The PNGs are
# kept in the repository, so building needs no renderer; run this after changing the SVG
# (needs rsvg-convert: apt-get install librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")/icons/hicolor"
for size in 16 32 48 64 128 256; do
  mkdir -p "${size}x${size}/apps"
  rsvg-convert --width "$size" --height "$size" scalable/apps/vordana.svg \
    --output "${size}x${size}/apps/vordana.png"
done
