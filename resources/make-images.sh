#!/usr/bin/env bash
# Draws the program's own pictures (button faces, default logo, icons) with ImageMagick.
# Run by hand when a picture changes; the results are committed beside this script.
set -euo pipefail
cd "$(dirname "$0")/images"
F=DejaVu-Sans-Bold
face() { # name background draw-arguments...
  local name=$1 bg=$2; shift 2
  convert -size 24x24 "xc:$bg" "$@" -type truecolor "BMP3:$name.bmp"
}
glyph() { # name background colour pointsize text
  face "$1" "$2" -font "$F" -fill "$3" -pointsize "$4" -gravity center -annotate +0+0 "$5"
}
face imprimir '#C0C0C0' -fill '#F8F8F8' -stroke '#404040' -draw 'rectangle 7,2 16,9' \
  -fill '#808890' -draw 'rectangle 2,9 21,17' -fill white -draw 'rectangle 7,14 16,21' \
  -stroke '#3070C0' -draw 'line 9,17 14,17' -draw 'line 9,19 14,19'
face ayuda '#FF00FF' -fill '#1F5FBF' -stroke '#0F3F8F' -draw 'circle 12,12 12,2' \
  -stroke none -fill white -font "$F" -pointsize 15 -gravity center -annotate +0+0 '?'
glyph configurar '#FF00FF' '#505860' 22 '⚙'
face eliminar '#FF00FF' -stroke '#C01010' -strokewidth 4 -draw 'line 5,5 19,19' -draw 'line 19,5 5,19'
face limpiar '#FF00FF' -fill white -stroke '#505050' -draw 'polygon 5,2 15,2 20,7 20,22 5,22' \
  -fill '#D0D0D0' -draw 'polygon 15,2 15,7 20,7'
face reportes '#FF00FF' -stroke '#303030' -fill '#2E8B57' -draw 'rectangle 3,12 7,21' \
  -fill '#1F5FBF' -draw 'rectangle 10,6 14,21' -fill '#D08020' -draw 'rectangle 17,9 21,21' \
  -stroke '#303030' -draw 'line 1,22 23,22'
face formatos '#FF00FF' -fill white -stroke '#505050' -draw 'rectangle 4,2 19,22' \
  -stroke '#1F5FBF' -draw 'line 7,6 16,6' -draw 'line 7,10 16,10' -draw 'line 7,14 13,14' \
  -stroke '#C01010' -draw 'rectangle 12,16 17,20'
face buscar '#FFFFFF' -fill '#DDEEFF' -stroke '#303030' -strokewidth 2 -draw 'circle 10,10 10,4' \
  -strokewidth 3 -draw 'line 14,14 21,21'
face guardar '#FF00FF' -fill '#2F4F8F' -stroke '#1F2F5F' -draw 'rectangle 2,2 21,21' \
  -fill '#E8E8E8' -stroke none -draw 'rectangle 6,3 17,9' -fill white -draw 'rectangle 5,13 18,21' \
  -fill '#2F4F8F' -draw 'rectangle 14,4 16,8'
face salir '#FF00FF' -fill '#8B5A2B' -stroke '#4B2A0B' -draw 'rectangle 3,2 13,22' \
  -stroke '#C01010' -strokewidth 3 -draw 'line 11,12 21,12' -draw 'line 17,8 21,12' -draw 'line 17,16 21,12'
glyph cobranza '#FF00FF' '#1E7B34' 20 '$'
glyph utilerias '#FF00FF' '#505860' 20 '⚒'

# Default logo (116 x 74) and the caption picture.
convert -size 116x74 gradient:'#10389C-#3FA0E0' -font "$F" -fill white -pointsize 17 -gravity center \
  -annotate +0-10 'Quintaleva' -pointsize 13 -fill '#FFE070' -annotate +0+14 'Facturación' \
  -type truecolor BMP3:logo.bmp
convert -size 16x16 xc:'#FF00FF' -fill '#10389C' -draw 'roundrectangle 0,0 15,15 3,3' -font "$F" \
  -fill white -pointsize 12 -gravity center -annotate +0+0 'Q' -type truecolor BMP3:caption.bmp
# Program icon.
convert -size 128x128 xc:none -fill '#10389C' -draw 'roundrectangle 4,4 123,123 22,22' \
  -fill white -draw 'polygon 34,24 82,24 96,38 96,108 34,108' -fill '#C8D8F0' -draw 'polygon 82,24 82,38 96,38' \
  -stroke '#10389C' -strokewidth 4 -draw 'line 44,56 86,56' -draw 'line 44,70 86,70' -draw 'line 44,84 70,84' \
  -stroke none -font "$F" -fill '#E0301E' -pointsize 30 -annotate +40+54 'Q2' quintaleva.png
# The installed icons, drawn from the scalable one (rsvg-convert, package librsvg2-bin).
for size in 48 256; do
  rsvg-convert -w $size -h $size quintaleva.svg -o quintaleva-$size.png
done
