#!/usr/bin/env bash
# Renders the program icon (src/app/resources/jov.svg) as the PNG sizes a desktop
# icon theme wants. ImageMagick on Debian reads no SVG without an extra delegate,
# so the same drawing is repeated here with its primitives, on a 128-unit grid
# scaled to 256 pixels, then reduced. Rerun after changing the SVG:
#   packaging/icons/render-png.sh
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
convert=${CONVERT:-/usr/bin/convert}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The SVG's coordinates times two.
"$convert" -size 240x240 gradient:'#2b4c7e-#14233d' "$work/back.png"
"$convert" -size 240x240 xc:none -fill white -draw 'roundrectangle 0,0 239,239 40,40' "$work/mask.png"
"$convert" "$work/back.png" "$work/mask.png" -alpha off -compose CopyOpacity -composite "$work/rounded.png"
"$convert" -size 256x256 xc:none "$work/rounded.png" -geometry +8+8 -compose Over -composite \
  -fill '#f4a261' -draw 'roundrectangle 32,32 223,119 12,12' \
  -fill '#8ecae6' -draw 'roundrectangle 32,136 223,223 12,12' \
  -fill none -stroke '#14233d' -strokewidth 10 \
  -draw "stroke-linecap round stroke-linejoin round path 'M56,52 V100 M56,76 H84 M56,100 H84'" \
  -draw "stroke-linecap round stroke-linejoin round path 'M56,156 V204 M56,180 H84 M56,204 H84'" \
  -stroke none -fill '#14233d' \
  -draw 'roundrectangle 100,68 195,83 8,8' -draw 'roundrectangle 100,92 167,107 8,8' \
  -draw 'roundrectangle 100,172 195,187 8,8' -draw 'roundrectangle 100,196 167,211 8,8' \
  -draw 'circle 56,48 66,48' -draw 'circle 56,152 66,152' \
  "$work/jov-256.png"

for size in 16 32 48 128 256; do
  "$convert" "$work/jov-256.png" -filter Lanczos -resize "${size}x${size}" -depth 8 -strip \
    -define png:exclude-chunks=date,time "$here/jov-$size.png"
done
