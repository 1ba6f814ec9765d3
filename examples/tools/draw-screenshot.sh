#!/usr/bin/env bash
# Draws the demo package's screenshot.bmp: a bird's-eye view of the Kestrel Heath circuit,
# 300 x 178 pixels, 24-bit, uncompressed with the 40-byte header the installer's picture reads.
# Usage: draw-screenshot.sh [output.bmp]   (needs ImageMagick's convert)
set -euo pipefail
out=${1:-"$(cd "$(dirname "$0")/.." && pwd)/package/screenshot.bmp"}

# The lap: start/finish straight along the bottom, a hairpin on the right, a loop around the
# lake, a long back section on the left. One closed path, drawn several times as kerbs, edge
# lines and asphalt.
lap='M 60,146 L 214,146 C 262,146 282,128 276,100 C 271,76 244,70 228,84
     C 214,96 196,98 184,84 L 160,52 C 148,36 126,28 104,34 L 62,48
     C 36,57 26,80 30,104 C 34,130 44,146 60,146 Z'

convert -size 300x178 xc:'#5b9a45' \
  -fill '#6aa852' -draw 'ellipse 150,90 150,70 0,360' \
  -fill '#4f8a3c' -draw 'ellipse 60,25 55,18 0,360' -draw 'ellipse 250,20 45,14 0,360' \
  -fill '#3f7fc0' -stroke '#2f6aa0' -strokewidth 1 -draw 'ellipse 118,92 34,20 0,360' \
  -fill none -stroke '#d02020' -strokewidth 17 -draw "path '$lap'" \
  -stroke white -strokewidth 17 -draw "stroke-dasharray 5 5 path '$lap'" \
  -stroke '#f2f2f2' -strokewidth 14 -draw "path '$lap'" \
  -stroke '#55575a' -strokewidth 11 -draw "path '$lap'" \
  -stroke '#8a8c90' -strokewidth 7 -draw 'line 150,160 214,160' \
  -stroke none -fill '#55575a' -draw 'polygon 140,152 150,160 150,160 144,152' \
  -fill '#c8b48a' -stroke '#6d5a3a' -strokewidth 1 -draw 'rectangle 152,165 212,173' \
  -fill '#b03030' -stroke none -draw 'rectangle 154,166 160,172' -draw 'rectangle 168,166 174,172' \
  -draw 'rectangle 182,166 188,172' -draw 'rectangle 196,166 202,172' \
  -fill '#d9d9d9' -stroke '#777777' -draw 'rectangle 78,126 136,134' \
  -stroke none -fill '#2a4fa0' -draw 'rectangle 80,128 134,132' \
  -fill white -draw 'rectangle 96,140 99,152' \
  -fill black -draw 'rectangle 96,140 97,141' -draw 'rectangle 98,142 99,143' \
  -draw 'rectangle 96,144 97,145' -draw 'rectangle 98,146 99,147' \
  -draw 'rectangle 96,148 97,149' -draw 'rectangle 98,150 99,151' \
  -fill '#2e5e28' -draw 'circle 22,22 28,22' -draw 'circle 36,14 41,14' -draw 'circle 14,40 19,40' \
  -draw 'circle 208,120 213,120' -draw 'circle 220,112 224,112' -draw 'circle 196,118 200,118' \
  -draw 'circle 286,160 292,160' -draw 'circle 272,168 277,168' -draw 'circle 292,40 296,40' \
  -draw 'circle 180,30 185,30' -draw 'circle 192,22 196,22' \
  -fill '#1b2a14' -font DejaVu-Sans-Bold -pointsize 11 -draw "text 186,14 'KESTREL HEATH'" \
  -fill '#1b2a14' -font DejaVu-Sans -pointsize 8 -draw "text 244,26 'circuit 1967'" \
  -type TrueColor -define bmp:format=bmp3 BMP3:"$out"
