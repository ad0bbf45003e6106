#!/usr/bin/env bash
# Draws the main window's pictures into app/res with ImageMagick: the top
# banner (468 x 60), the bottom strip's banner (370 x 39) and the marks of
# unknown and known autostart entries (16 and 32 pixels). The results are
# committed; run this only to change them.
set -euo pipefail
cd "$(dirname "$0")/../app/res"

convert -size 468x60 gradient:'#1d3557'-'#2a9d8f' \
  \( -size 468x60 xc:none -fill 'rgba(255,255,255,0.10)' \
     -draw "circle 420,30 470,30" -draw "circle 40,70 90,70" \) -composite \
  -fill white -font Helvetica-Bold -pointsize 30 -annotate +78+38 'Quorvik 6' \
  -fill '#e9f5f3' -font Helvetica -pointsize 13 -annotate +240+28 'Autostarts finden, prüfen' \
  -annotate +240+45 'und gezielt abschalten' \
  -fill none -stroke white -strokewidth 3 -draw "circle 40,30 40,12" \
  -draw "line 40,30 40,18" -draw "line 40,30 50,36" \
  -type TrueColor BMP3:adbanner.bmp

convert -size 370x39 xc:'#f5f5f5' \
  -fill '#2a9d8f' -draw "roundrectangle 2,4 32,34 6,6" \
  -fill white -font Helvetica-Bold -pointsize 20 -annotate +9+27 'Q' \
  -fill '#1d3557' -font Helvetica-Bold -pointsize 17 -annotate +42+22 'Quorvik 6' \
  -fill '#6c757d' -font Helvetica -pointsize 11 -annotate +140+22 'Autostart-Manager  Version 6.02' \
  -type TrueColor BMP3:qvbanner.bmp

tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
for s in 16 32; do
  c=$((s / 2 - 1))
  # Known: a green disc with a white tick.
  convert -size ${s}x${s} xc:none -fill '#2e9e44' -stroke '#1f6e2f' -strokewidth 1 \
    -draw "circle $c,$c $c,1" -fill none -stroke white -strokewidth $((s / 8)) \
    -draw "polyline $((s / 4)),$((s / 2)) $((s * 7 / 16)),$((s * 11 / 16)) $((s * 3 / 4)),$((s * 5 / 16))" \
    "$tmp/known$s.png"
  # Unknown: an amber disc with a white question mark.
  convert -size ${s}x${s} xc:none -fill '#e39b12' -stroke '#a86d05' -strokewidth 1 \
    -draw "circle $c,$c $c,1" -fill white -stroke none -font Helvetica-Bold \
    -pointsize $((s * 3 / 4)) -gravity center -annotate +0+0 '?' "$tmp/unknown$s.png"
done
convert "$tmp/known16.png" "$tmp/known32.png" known.ico
convert "$tmp/unknown16.png" "$tmp/unknown32.png" unknown.ico
