#!/usr/bin/env bash
# Redraws the PNG sizes of the game icon with ImageMagick from the shapes of quarn-demo.svg
# (the same rectangles and colours; this ImageMagick build has no SVG reader). Run it after
# changing the SVG, and commit the PNGs.
set -euo pipefail
cd "$(dirname "$0")"
amber='rgba(240,180,40'
convert -size 256x256 xc:none \
  -fill '#141828' -stroke '#3a4266' -strokewidth 6 -draw 'roundrectangle 8,8 247,247 40,40' \
  -stroke none \
  -fill '#5ac878' -draw 'roundrectangle 36,34 57,55 4,4' -draw 'roundrectangle 66,34 87,55 4,4' \
  -fill 'rgba(90,200,120,0.35)' -draw 'roundrectangle 96,34 117,55 4,4' \
  -fill "$amber,0.18)" -draw 'roundrectangle 44,150 83,189 6,6' \
  -fill "$amber,0.35)" -draw 'roundrectangle 76,122 123,169 7,7' \
  -fill "$amber,0.6)" -draw 'roundrectangle 112,92 167,147 8,8' \
  -fill "$amber,1)" -draw 'roundrectangle 150,70 221,141 10,10' \
  -stroke '#3a4266' -strokewidth 6 -draw 'line 40,214 216,214' \
  PNG32:256/quarn-demo.png
for size in 128 64 48; do
  convert 256/quarn-demo.png -filter Lanczos -resize "${size}x${size}" "PNG32:$size/quarn-demo.png"
done
