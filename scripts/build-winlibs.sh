#!/usr/bin/env bash
# Builds the Windows static libraries of the picture formats from
# Debian's source packages into build/winlibs: libjpeg-turbo and libpng, then
# giflib, libwebp, libde265 and dav1d (HEVC and AV1 decoders) and libheif over
# them. Idempotent: each finished library leaves a stamp in the prefix and is
# kept and reused, so an older cache is extended rather than rebuilt.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
CACHE=${MURIVANE_WINLIBS:-$ROOT/build/winlibs}
# For the shipped 32-bit build, or the 64-bit one where 32-bit programs cannot
# run (scripts/winarch.sh); each has a prefix of its own.
source "$ROOT/scripts/winarch.sh"
ARCH=${1:-$(murivane_winarch)}
PREFIX=$CACHE/$ARCH
STAMP=$PREFIX/.complete-v1   # libjpeg-turbo and libpng, as before
TOOLCHAIN=$ROOT/cmake/mingw-$ARCH.cmake
# One stamp per later library; bump a library's suffix to rebuild it alone.
FORMAT_STAMPS=(giflib-v1 libwebp-v1 libde265-v1 dav1d-v1 libheif-v1)

all_cached() {
  [ -f "$STAMP" ] || return 1
  local s
  for s in "${FORMAT_STAMPS[@]}"; do [ -f "$PREFIX/.$s" ] || return 1; done
}
if all_cached; then echo "winlibs: cached in $PREFIX"; exit 0; fi
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

build_jpeg_png() {
  fetch_source libjpeg-turbo
  fetch_source libpng1.6

  JSRC=$(find "$CACHE/src/libjpeg-turbo" -mindepth 1 -maxdepth 1 -type d | head -1)
  PSRC=$(find "$CACHE/src/libpng1.6" -mindepth 1 -maxdepth 1 -type d | head -1)

  cmake -S "$JSRC" -B "$CACHE/build-$ARCH-jpeg" -G "Unix Makefiles" \
    -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$PREFIX" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON \
    -DWITH_TURBOJPEG=OFF -DWITH_JPEG8=OFF -DWITH_JPEG7=OFF -DWITH_SIMD=ON \
    -DCMAKE_ASM_NASM_COMPILER=nasm -DREQUIRE_SIMD=OFF >"$CACHE/jpeg-configure.log"
  cmake --build "$CACHE/build-$ARCH-jpeg" -j"$JOBS" >"$CACHE/jpeg-build.log"
  cmake --install "$CACHE/build-$ARCH-jpeg" >/dev/null

  cmake -S "$PSRC" -B "$CACHE/build-$ARCH-png" -G "Unix Makefiles" \
    -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$PREFIX" -DPNG_SHARED=OFF -DPNG_STATIC=ON \
    -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF -DSKIP_INSTALL_PROGRAMS=ON \
    -DZLIB_INCLUDE_DIR=/usr/$ARCH-w64-mingw32/include \
    -DZLIB_LIBRARY=/usr/$ARCH-w64-mingw32/lib/libz.a >"$CACHE/png-configure.log"
  cmake --build "$CACHE/build-$ARCH-png" -j"$JOBS" >"$CACHE/png-build.log"
  cmake --install "$CACHE/build-$ARCH-png" >/dev/null
}

# --- the later formats: GIF, WebP, HEIF/HEIC and AVIF -----------------------

# Flags of every later library. Windows keeps the stacks of threads and of
# callbacks aligned to 4 bytes only: code that keeps SSE values on the stack
# realigns it where it needs to (dav1d does this itself, see its build).
LIB_CFLAGS="-msse2 -mfpmath=sse -mstackrealign"
MINGW=$ARCH-w64-mingw32
# Only our own prefix may answer pkg-config while cross-building: the
# machine's native -dev packages must never leak into a Windows build.
export PKG_CONFIG_LIBDIR=$PREFIX/lib/pkgconfig PKG_CONFIG_PATH=

src_of() { find "$CACHE/src/$1" -mindepth 1 -maxdepth 1 -type d | head -1; }

# Runs a build step with its output in a log; on failure shows the log's end.
logged() {
  local log=$CACHE/$1; shift
  if ! "$@" >"$log" 2>&1; then
    echo "winlibs: failed: $*" >&2; tail -n 40 "$log" >&2; return 1
  fi
}

# A CMake library: source, build folder name, extra options. Static, Release,
# built and installed with all the machine's cores; the build folder goes
# once the library is installed (a rebuild starts afresh anyway).
cmake_lib() {
  local src=$1 name=$2; shift 2
  rm -rf "$CACHE/build-$ARCH-$name"
  logged "$name-configure.log" cmake -S "$src" -B "$CACHE/build-$ARCH-$name" -G "Unix Makefiles" \
    -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$PREFIX" -DCMAKE_INSTALL_LIBDIR=lib -DBUILD_SHARED_LIBS=OFF \
    -DCMAKE_C_FLAGS="$LIB_CFLAGS" -DCMAKE_CXX_FLAGS="$LIB_CFLAGS" "$@"
  logged "$name-build.log" cmake --build "$CACHE/build-$ARCH-$name" -j"$JOBS"
  logged "$name-install.log" cmake --install "$CACHE/build-$ARCH-$name"
  rm -rf "$CACHE/build-$ARCH-$name"
}

# giflib: a plain Makefile for Unix; the library is its few C files.
build_giflib() {
  fetch_source giflib
  local src obj=$CACHE/build-$ARCH-giflib
  src=$(src_of giflib)
  rm -rf "$obj"; mkdir -p "$obj"
  # shellcheck disable=SC2086
  (cd "$obj" && logged giflib-build.log "$MINGW-gcc-posix" -std=gnu99 -O2 $LIB_CFLAGS -Wall \
    -Wno-format-truncation -c "$src"/{dgif_lib,egif_lib,gifalloc,gif_err,gif_font,gif_hash}.c \
    "$src"/{openbsd-reallocarray,quantize}.c)
  rm -f "$PREFIX/lib/libgif.a"
  mkdir -p "$PREFIX/lib" "$PREFIX/include"
  "$MINGW-ar" rcs "$PREFIX/lib/libgif.a" "$obj"/*.o
  install -m 644 "$src/gif_lib.h" "$PREFIX/include/"
  rm -rf "$obj"
}

# libwebp: libwebpdecoder, libwebp (decoder and encoder, as upstream makes
# it) and libwebpdemux (frames of an animation); none of its tools.
build_libwebp() {
  fetch_source libwebp
  cmake_lib "$(src_of libwebp)" webp -DWEBP_BUILD_ANIM_UTILS=OFF -DWEBP_BUILD_CWEBP=OFF \
    -DWEBP_BUILD_DWEBP=OFF -DWEBP_BUILD_GIF2WEBP=OFF -DWEBP_BUILD_IMG2WEBP=OFF \
    -DWEBP_BUILD_VWEBP=OFF -DWEBP_BUILD_WEBPINFO=OFF -DWEBP_BUILD_WEBPMUX=OFF \
    -DWEBP_BUILD_LIBWEBPMUX=OFF -DWEBP_BUILD_EXTRAS=OFF -DWEBP_BUILD_WEBP_JS=OFF
}

# libde265: the HEVC decoder library (its encoder files are part of it), no
# dec265 tool, no SDL.
build_libde265() {
  fetch_source libde265
  cmake_lib "$(src_of libde265)" de265 -DENABLE_SDL=OFF -DENABLE_DECODER=OFF -DENABLE_ENCODER=OFF
}

# dav1d: the AV1 decoder, meson and ninja with a cross file; nasm builds its
# x86 assembly; 8- and 10/12-bit pictures. Its log messages would go to
# the standard error of a GUI program, so they are left out.
build_dav1d() {
  fetch_source dav1d
  local cross=$CACHE/meson-$MINGW.txt
  cat >"$cross" <<CROSS
[binaries]
c = '$MINGW-gcc-posix'
cpp = '$MINGW-g++-posix'
ar = '$MINGW-ar'
strip = '$MINGW-strip'
windres = '$MINGW-windres'
nasm = 'nasm'

[built-in options]
c_args = ['-msse2', '-mfpmath=sse']

[host_machine]
system = 'windows'
cpu_family = '$([ "$ARCH" = i686 ] && echo x86 || echo x86_64)'
cpu = '$ARCH'
endian = 'little'
CROSS
  rm -rf "$CACHE/build-$ARCH-dav1d"
  logged dav1d-configure.log meson setup "$CACHE/build-$ARCH-dav1d" "$(src_of dav1d)" \
    --cross-file "$cross" --prefix "$PREFIX" --libdir lib --buildtype release \
    --default-library static -Denable_asm=true -Denable_tools=false -Denable_tests=false \
    -Denable_examples=false -Denable_docs=false -Dxxhash_muxer=disabled -Dbitdepths=8,16 \
    -Dlogging=false
  logged dav1d-build.log ninja -C "$CACHE/build-$ARCH-dav1d" -j"$JOBS"
  logged dav1d-install.log ninja -C "$CACHE/build-$ARCH-dav1d" install
  rm -rf "$CACHE/build-$ARCH-dav1d"
}

# libheif: static, its HEVC (libde265) and AV1 (dav1d) decoders built in and
# registered at start-up, no plugin loading, no encoders, no examples.
build_libheif() {
  fetch_source libheif
  cmake_lib "$(src_of libheif)" heif -DENABLE_PLUGIN_LOADING=OFF -DWITH_EXAMPLES=OFF \
    -DCMAKE_CXX_FLAGS="$LIB_CFLAGS -Wno-error -DLIBDE265_STATIC_BUILD -DLIBHEIF_STATIC_BUILD" \
    -DCMAKE_C_FLAGS="$LIB_CFLAGS -Wno-error" \
    -DWITH_LIBDE265=ON -DWITH_LIBDE265_PLUGIN=OFF \
    -DLIBDE265_INCLUDE_DIR="$PREFIX/include" -DLIBDE265_LIBRARY="$PREFIX/lib/libde265.a" \
    -DWITH_DAV1D=ON -DWITH_DAV1D_PLUGIN=OFF \
    -DDAV1D_INCLUDE_DIR="$PREFIX/include" -DDAV1D_LIBRARY="$PREFIX/lib/libdav1d.a" \
    -DWITH_X265=OFF -DWITH_AOM_DECODER=OFF -DWITH_AOM_ENCODER=OFF -DWITH_RAV1E=OFF \
    -DWITH_SvtEnc=OFF -DWITH_DEFLATE_HEADER_COMPRESSION=OFF
  local d
  for d in libde265 dav1d; do
    if ! grep -q "Compiling '$d' as built-in backend" "$CACHE/heif-configure.log"; then
      echo "winlibs: libheif was made without $d, see $CACHE/heif-configure.log" >&2; return 1
    fi
  done
}

# Builds one library unless its stamp is there.
build_once() {
  local stamp=$PREFIX/.$1; shift
  if [ -f "$stamp" ]; then return 0; fi
  local t0=$SECONDS
  "$@"
  touch "$stamp"
  echo "winlibs: ${1#build_} built in $((SECONDS - t0)) s"
}

build_once complete-v1 build_jpeg_png
build_once giflib-v1 build_giflib
build_once libwebp-v1 build_libwebp
build_once libde265-v1 build_libde265
build_once dav1d-v1 build_dav1d
# libheif links the two decoders above: a rebuilt decoder rebuilds it too.
if [ "$PREFIX/.libde265-v1" -nt "$PREFIX/.libheif-v1" ] || [ "$PREFIX/.dav1d-v1" -nt "$PREFIX/.libheif-v1" ]; then
  rm -f "$PREFIX/.libheif-v1"
fi
build_once libheif-v1 build_libheif
echo "winlibs: built into $PREFIX"
