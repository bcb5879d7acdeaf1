#!/usr/bin/env bash
# Builds the Windows setup program build/Murivane-Setup-<version>.exe with
# NSIS: sets up and builds the Windows build (skipped with --no-build), then
# packs Murivane.exe, stripped of its symbols, and the help document. The
# version is the product version of the version resource in res/Murivane.rc.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
# The setup program always ships the 32-bit build. Where this machine tests the
# 64-bit one (scripts/winarch.sh), the 32-bit build has a folder of its own.
source "$ROOT/scripts/winarch.sh"
WINBUILD="$ROOT/build/win32"
[ "$(murivane_winarch)" = i686 ] || WINBUILD="$ROOT/build/win32-i686"
if [ "${1:-}" != "--no-build" ]; then
  bash "$ROOT/scripts/setup.sh"
  if [ "$WINBUILD" = "$ROOT/build/win32" ]; then
    bash "$ROOT/scripts/build.sh" win32
  else
    bash "$ROOT/scripts/build-winlibs.sh" i686
    cmake -S "$ROOT" -B "$WINBUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" >/dev/null
    cmake --build "$WINBUILD" -j"$(nproc 2>/dev/null || echo 2)" --target Murivane
  fi
fi
if [ ! -f "$WINBUILD/Murivane.exe" ]; then
  echo "package: no 32-bit build in $WINBUILD; run bash scripts/package.sh without --no-build" >&2
  exit 1
fi

RC="$ROOT/res/Murivane.rc"
VERSION=$(sed -n 's/^ *PRODUCTVERSION *\([0-9]\+\) *, *\([0-9]\+\) *, *\([0-9]\+\) *, *\([0-9]\+\) *$/\1.\2.\3.\4/p' "$RC")
# The Information page shows the ProductVersion string: both must agree.
SHOWN=$(sed -n 's/^ *VALUE "ProductVersion", "\(.*\)".*/\1/p' "$RC" | tr -d ' ' | tr , .)
if [ -z "$VERSION" ] || [ "$VERSION" != "$SHOWN" ]; then
  echo "package: PRODUCTVERSION ($VERSION) and the ProductVersion string ($SHOWN) of $RC differ" >&2
  exit 1
fi

STAGE="$ROOT/build/package"
OUT="$ROOT/build/Murivane-Setup-$VERSION.exe"
rm -rf "$STAGE"
mkdir -p "$STAGE"
i686-w64-mingw32-strip -o "$STAGE/Murivane.exe" "$WINBUILD/Murivane.exe"
cp "$WINBUILD/Murivane.htm" "$STAGE/Murivane.htm"
# The picture of the welcome and finish pages: the program's icon on blue.
convert -size 164x314 gradient:'#2a64b0'-'#0b2244' \
  \( "$ROOT/res/icons/Murivane.ico[2]" -filter point -resize 96x96 \) \
  -gravity north -geometry +0+36 -composite -type TrueColor "BMP3:$STAGE/welcome.bmp"
makensis -V2 -WX -DVERSION="$VERSION" -DSTAGE="$STAGE" -DOUTFILE="$OUT" "$ROOT/installer/Murivane.nsi"
echo "package: $OUT ($(stat -c %s "$OUT") bytes)"
