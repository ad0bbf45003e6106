#!/usr/bin/env bash
# Draws the main window's pictures into app/res with ImageMagick: the top
# banner (468 x 60), the bottom strip's banner (370 x 39), both also at twice
# the size and the marks of
# unknown and known autostart entries (16 and 32 pixels). The results are
# committed; run this only to change them.
set -euo pipefail
cd "$(dirname "$0")/../app/res"

# The banners at the design's size and at twice it, for screens of 144 dots
# per inch and more: every coordinate and size times k.
banners() {
  local k=$1 suffix=$2
  m() { echo $(($1 * k)); }
  convert -size "$(m 468)x$(m 60)" gradient:'#1d3557'-'#2a9d8f' \
    \( -size "$(m 468)x$(m 60)" xc:none -fill 'rgba(255,255,255,0.10)' \
       -draw "circle $(m 420),$(m 30) $(m 470),$(m 30)" -draw "circle $(m 40),$(m 70) $(m 90),$(m 70)" \) -composite \
    -fill white -font "$bold" -pointsize "$(m title)" -annotate "+$(m 78)+$(m 38)" 'Quorvik 6' \
    -fill '#e9f5f3' -font "$sans" -pointsize "$(m 13)" -annotate "+$(m 240)+$(m 28)" 'Autostarts finden, prüfen' \
    -annotate "+$(m 240)+$(m 45)" 'und gezielt abschalten' \
    -fill none -stroke white -strokewidth "$(m 3)" -draw "circle $(m 40),$(m 30) $(m 40),$(m 12)" \
    -draw "line $(m 40),$(m 30) $(m 40),$(m 18)" -draw "line $(m 40),$(m 30) $(m 50),$(m 36)" \
    -type TrueColor "BMP3:adbanner$suffix.bmp"

  convert -size "$(m 370)x$(m 39)" xc:'#f5f5f5' \
    -fill '#2a9d8f' -draw "roundrectangle $(m 2),$(m 4) $(m 32),$(m 34) $(m 6),$(m 6)" \
    -fill white -font "$bold" -pointsize "$(m 20)" -annotate "+$(m 9)+$(m 27)" 'Q' \
    -fill '#1d3557' -font "$bold" -pointsize "$(m 17)" -annotate "+$(m 42)+$(m 22)" 'Quorvik 6' \
    -fill '#6c757d' -font "$sans" -pointsize "$(m 11)" -annotate "+$(m 140)+$(m 22)" 'Autostart-Manager  Version 6.02' \
    -type TrueColor "BMP3:qvbanner$suffix.bmp"
}
# Helvetica where ImageMagick has it, else a face of the same kind.
face() { if convert -list font | grep -q "Font: $1\$"; then echo "$1"; else echo "$2"; fi; }
sans="$(face Helvetica DejaVu-Sans)"
bold="$(face Helvetica-Bold DejaVu-Sans-Bold)"
# The wider face takes a smaller title, so that it keeps clear of the motto.
title=30
[ "$bold" = Helvetica-Bold ] || title=27
# ONLY=2x draws the larger banners alone, keeping the design's as they are.
[ "${ONLY:-}" = 2x ] || banners 1 ""
banners 2 "2x"
[ "${ONLY:-}" = 2x ] && exit 0

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
