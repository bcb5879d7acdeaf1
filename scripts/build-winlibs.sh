#!/usr/bin/env bash
# Builds the Windows (i686) static libraries of libjpeg-turbo and libpng from
# Debian's source packages into build/winlibs. Idempotent: a finished build is
# kept and reused.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
CACHE=${MURIVANE_WINLIBS:-$ROOT/build/winlibs}
PREFIX=$CACHE/i686
STAMP=$PREFIX/.complete-v1
TOOLCHAIN=$ROOT/cmake/mingw-i686.cmake

if [ -f "$STAMP" ]; then echo "winlibs: cached in $PREFIX"; exit 0; fi
mkdir -p "$CACHE/src" "$PREFIX"
JOBS=$(nproc 2>/dev/null || echo 2)

# Fetches and unpacks a source package, newest version first; a version whose
# files are missing from the archive is passed over for the next one.
fetch_source() {
  local pkg=$1 dir=$CACHE/src/$1
  if [ -f "$dir/.unpacked" ]; then return 0; fi
  rm -rf "$dir"; mkdir -p "$dir"
  local versions v
  versions=$(apt-cache showsrc "$pkg" 2>/dev/null | awk '/^Version:/ {print $2}' | sort -u)
  if [ -z "$versions" ]; then echo "winlibs: no source package $pkg (are deb-src entries present?)" >&2; return 1; fi
  versions=$(echo "$versions" | while read -r a; do echo "$a"; done | sort -V -r)
  for v in $versions; do
    if (cd "$dir" && apt-get source -qq "$pkg=$v" >/dev/null 2>&1); then
      touch "$dir/.unpacked"; echo "winlibs: $pkg $v"; return 0
    fi
    rm -rf "${dir:?}"/*
  done
  echo "winlibs: could not fetch any version of $pkg" >&2
  return 1
}

fetch_source libjpeg-turbo
fetch_source libpng1.6

JSRC=$(find "$CACHE/src/libjpeg-turbo" -mindepth 1 -maxdepth 1 -type d | head -1)
PSRC=$(find "$CACHE/src/libpng1.6" -mindepth 1 -maxdepth 1 -type d | head -1)

cmake -S "$JSRC" -B "$CACHE/build-jpeg" -G "Unix Makefiles" \
  -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX="$PREFIX" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON \
  -DWITH_TURBOJPEG=OFF -DWITH_JPEG8=OFF -DWITH_JPEG7=OFF -DWITH_SIMD=ON \
  -DCMAKE_ASM_NASM_COMPILER=nasm -DREQUIRE_SIMD=OFF >"$CACHE/jpeg-configure.log"
cmake --build "$CACHE/build-jpeg" -j"$JOBS" >"$CACHE/jpeg-build.log"
cmake --install "$CACHE/build-jpeg" >/dev/null

cmake -S "$PSRC" -B "$CACHE/build-png" -G "Unix Makefiles" \
  -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX="$PREFIX" -DPNG_SHARED=OFF -DPNG_STATIC=ON \
  -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF -DSKIP_INSTALL_PROGRAMS=ON \
  -DZLIB_INCLUDE_DIR=/usr/i686-w64-mingw32/include \
  -DZLIB_LIBRARY=/usr/i686-w64-mingw32/lib/libz.a >"$CACHE/png-configure.log"
cmake --build "$CACHE/build-png" -j"$JOBS" >"$CACHE/png-build.log"
cmake --install "$CACHE/build-png" >/dev/null

touch "$STAMP"
echo "winlibs: built into $PREFIX"
