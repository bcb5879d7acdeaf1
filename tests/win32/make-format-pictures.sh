#!/usr/bin/env bash
# Makes one picture file of each kind a user is likely to have, and for each
# the reference a separate decoder gives (ImageMagick, upright as its EXIF
# orientation says), as 24-bit BMP files in refs/:
#   orient1.jpg .. orient8.jpg  a JPEG with each EXIF orientation
#   cmyk.jpg, palette.png, photo.gif, photo.webp, photo.heic, photo.avif
#   tile.heic  a 512 x 512 HEVC picture, the tile of a phone's grid (no reference)
# Each upright picture is 900 x 700: stretched on the tests' 1024 x 768
# screen and written at its own size, so the wallpaper is the decode itself.
# Pictures larger than that screen, each stretched over it (decoded straight
# to its size), their references ImageMagick's upright picture resized to
# exactly 1024 x 768:
#   big6.jpg, big8.jpg  4032 x 3024 as stored, EXIF orientation 6 and 8
#   big.webp            4000 x 3000
#   grid/rR-cC.heic     the 8 x 6 tiles (512 x 512) of a 4032 x 3024 phone
#                       photograph; the test puts them together into a grid
#                       turned by irot 1 (a quarter anticlockwise)
#   clapsrc.avif        2048 x 1536; the test gives it a clean aperture of
#                       1600 x 1200 at (200, 100)
# The references of the last two are of the grid and the aperture they
# describe: the tiles decoded and joined, the AVIF decoded and cropped.
# Pictures of another shape than the screen's, for how they keep it:
#   circle.png  600 x 900 portrait: blue checks (50 x 50), a 12-pixel yellow
#               frame, and a red circle of radius 200 at (300, 450); its
#               reference is ImageMagick's stretch to exactly 1024 x 768
#   wide.png    1280 x 800 flat grey, a red circle of radius 90 at (110, 400)
#               near its left edge (no reference)
set -euo pipefail
OUT=${1:?usage: $0 OUTDIR}
CONVERT=/usr/bin/convert
[ -x "$CONVERT" ] || CONVERT=convert
mkdir -p "$OUT"
cd "$OUT"
STAMP=.made-v4
rm -f .made-v*
rm -rf -- *.jpg *.png *.gif *.webp *.heic *.avif refs grid
mkdir refs

# A photograph-like picture: smooth colour with a few soft shapes.
"$CONVERT" -size 900x700 gradient:'#2a5d9f'-'#e8c07a' \
  \( -size 900x700 radial-gradient:'#ffffff'-'#000000' \) -compose overlay -composite \
  -fill '#3c7a3c' -draw 'ellipse 260,480 180,90 0,360' -fill '#b04030' -draw 'circle 640,260 700,300' \
  -blur 0x3 -depth 8 PNG24:photo.png

# The EXIF block of one orientation tag (Intel byte order), put right after
# the JPEG's start. The stored picture is the upright one turned back, so
# every file shows the same photograph.
# The second argument is the stored width's two bytes (default 900).
exif() {
  printf '\xff\xd8\xff\xe1\x00\x2e\x45\x78\x69\x66\x00\x00'
  printf '\x49\x49\x2a\x00\x08\x00\x00\x00\x02\x00'
  printf '\x00\x01\x04\x00\x01\x00\x00\x00'"${2:-\\x84\\x03}"'\x00\x00'
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

# The large ones, from the same photograph enlarged (a portrait one turned a
# quarter first, so that the turned-back JPEGs are stored as 4032 x 3024).
"$CONVERT" photo.png -rotate 90 -resize '3024x4032!' PNG24:portrait.png
for o in 6 8; do
  # shellcheck disable=SC2086
  "$CONVERT" portrait.png ${undo[$((o - 1))]} -quality 92 -strip stored.jpg
  { exif "$o" '\xc0\x0f'; tail -c +3 stored.jpg; } > "big$o.jpg"
done
rm -f stored.jpg portrait.png
"$CONVERT" photo.png -resize '4000x3000!' PNG24:large.png
cwebp -quiet -q 90 large.png -o big.webp
"$CONVERT" photo.png -resize '2048x1536!' PNG24:large.png
heif-enc -A -q 85 -p speed=8 -o clapsrc.avif large.png >/dev/null
# The phone's picture as its sensor holds it (the grid's 4096 x 3072 before
# the cut to 4032 x 3024), in 512 x 512 tiles, coded two at a time.
mkdir grid
"$CONVERT" photo.png -flop -resize '4096x3072!' -crop 512x512 -set filename:t 'r%[fx:page.y/512]-c%[fx:page.x/512]' \
  +repage PNG24:'grid/%[filename:t].png'
for f in grid/*.png; do echo "$f"; done | xargs -P 2 -I{} sh -c 'heif-enc -q 90 -p preset=ultrafast -o "${1%.png}.heic" "$1" >/dev/null && rm -f "$1"' _ {}
rm -f large.png photo.png

"$CONVERT" -size 12x18 pattern:gray50 -scale 5000% -fill '#2050a0' -opaque black -fill '#4080d0' -opaque white \
  -fill none -stroke '#ffff00' -strokewidth 12 -draw 'rectangle 6,6 593,893' \
  -stroke none -fill '#ff0000' -draw 'circle 300,450 500,450' -depth 8 PNG24:circle.png
"$CONVERT" -size 1280x800 xc:'#808080' -fill '#ff0000' -draw 'circle 110,400 200,400' -depth 8 PNG24:wide.png
"$CONVERT" circle.png -resize '1024x768!' -colorspace sRGB -type TrueColor BMP3:refs/circle.png.bmp

for f in orient*.jpg cmyk.jpg palette.png photo.gif photo.webp photo.heic photo.avif; do
  "$CONVERT" "$f" -auto-orient -colorspace sRGB -type TrueColor "BMP3:refs/$f.bmp"
done
for f in big6.jpg big8.jpg big.webp; do
  "$CONVERT" "$f" -auto-orient -resize '1024x768!' -colorspace sRGB -type TrueColor "BMP3:refs/$f.bmp"
done
# irot 1 turns the cut grid a quarter anticlockwise: upright 3024 x 4032.
rows=()
for r in 0 1 2 3 4 5; do
  rows+=('(' grid/r$r-c{0..7}.heic +append ')')
done
"$CONVERT" "${rows[@]}" -append -crop 4032x3024+0+0 +repage -rotate -90 -resize '1024x768!' \
  -colorspace sRGB -type TrueColor BMP3:refs/grid.heic.bmp
"$CONVERT" clapsrc.avif -crop 1600x1200+200+100 +repage -resize '1024x768!' \
  -colorspace sRGB -type TrueColor BMP3:refs/clap.avif.bmp
touch "$STAMP"
