#!/usr/bin/env bash
# Makes one picture file of each kind a user is likely to have, and for each
# the reference a separate decoder gives (ImageMagick, upright as its EXIF
# orientation says), as 24-bit BMP files in refs/:
#   orient1.jpg .. orient8.jpg  a JPEG with each EXIF orientation
#   cmyk.jpg, palette.png, photo.gif, photo.webp, photo.heic, photo.avif
#   tile.heic  a 512 x 512 HEVC picture, the tile of a phone's grid (no reference)
# Each upright picture is 900 x 700: stretched on the tests' 1024 x 768
# screen and written at its own size, so the wallpaper is the decode itself.
set -euo pipefail
OUT=${1:?usage: $0 OUTDIR}
CONVERT=/usr/bin/convert
[ -x "$CONVERT" ] || CONVERT=convert
mkdir -p "$OUT"
cd "$OUT"
STAMP=.made-v2
rm -f .made-v*
rm -rf -- *.jpg *.png *.gif *.webp *.heic *.avif refs
mkdir refs

# A photograph-like picture: smooth colour with a few soft shapes.
"$CONVERT" -size 900x700 gradient:'#2a5d9f'-'#e8c07a' \
  \( -size 900x700 radial-gradient:'#ffffff'-'#000000' \) -compose overlay -composite \
  -fill '#3c7a3c' -draw 'ellipse 260,480 180,90 0,360' -fill '#b04030' -draw 'circle 640,260 700,300' \
  -blur 0x3 -depth 8 PNG24:photo.png

# The EXIF block of one orientation tag (Intel byte order), put right after
# the JPEG's start. The stored picture is the upright one turned back, so
# every file shows the same photograph.
exif() {
  printf '\xff\xd8\xff\xe1\x00\x2e\x45\x78\x69\x66\x00\x00'
  printf '\x49\x49\x2a\x00\x08\x00\x00\x00\x02\x00'
  printf '\x00\x01\x04\x00\x01\x00\x00\x00\x84\x03\x00\x00'
  printf '\x12\x01\x03\x00\x01\x00\x00\x00'"\\x0$1"'\x00\x00\x00\x00\x00\x00\x00'
}
undo=(none "-flop" "-rotate 180" "-flip" "-transpose" "-rotate 270" "-transverse" "-rotate 90")
for o in 1 2 3 4 5 6 7 8; do
  # shellcheck disable=SC2086
  "$CONVERT" photo.png ${undo[$((o - 1))]/none/} -quality 95 -strip stored.jpg
  { exif "$o"; tail -c +3 stored.jpg; } > "orient$o.jpg"
done
rm -f stored.jpg
"$CONVERT" photo.png -colorspace CMYK -quality 95 cmyk.jpg
"$CONVERT" photo.png -colors 256 PNG8:palette.png
"$CONVERT" photo.png -colors 256 photo.gif
cwebp -quiet -q 92 photo.png -o photo.webp
heif-enc -q 92 -o photo.heic photo.png >/dev/null
heif-enc -A -q 92 -o photo.avif photo.png >/dev/null
"$CONVERT" photo.png -crop 512x512+100+100 +repage PNG24:tile.png
heif-enc -q 85 -o tile.heic tile.png >/dev/null
rm -f tile.png
rm -f photo.png

for f in orient*.jpg cmyk.jpg palette.png photo.gif photo.webp photo.heic photo.avif; do
  "$CONVERT" "$f" -auto-orient -colorspace sRGB -type TrueColor "BMP3:refs/$f.bmp"
done
touch "$STAMP"
