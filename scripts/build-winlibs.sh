#!/usr/bin/env bash
# Builds the Windows static libraries of the picture formats from
# Debian's source packages into build/winlibs: libjpeg-turbo and libpng, then
# giflib, libwebp, libde265 and dav1d (HEVC and AV1 decoders) and libheif over
# them. Each library is built from the newest source version apt lists and
# leaves a stamp in the prefix holding that version, its build flags
# and the compiler; a library whose stamp differs from what this run would
# build is rebuilt, the others are kept. libheif's stamp includes the stamps
# of the two decoders it links, so a rebuilt decoder rebuilds it too.
#
# A version that cannot be fetched is an error, with one exception: an
# archive that lists a version and answers "404 Not Found" for its files (a
# mirror that carries the security updates' binaries but not their sources)
# does not serve it at all. The newest version it does serve is then built,
# and said in a WARNING line on every run; its stamp names it, so the library
# is rebuilt from the newest sources once the archive serves them.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
CACHE=${MURIVANE_WINLIBS:-$ROOT/build/winlibs}
# For the shipped 32-bit build, or the 64-bit one where 32-bit programs cannot
# run (scripts/winarch.sh); each has a prefix of its own.
source "$ROOT/scripts/winarch.sh"
ARCH=${1:-$(murivane_winarch)}
PREFIX=$CACHE/$ARCH
TOOLCHAIN=$ROOT/cmake/mingw-$ARCH.cmake
MINGW=$ARCH-w64-mingw32
JOBS=$(nproc 2>/dev/null || echo 2)

fail() { echo "winlibs: $*" >&2; exit 1; }

# The newest version of a source package that apt lists.
newest_version() {
  local pkg=$1 v best=""
  for v in $(apt-cache showsrc "$pkg" 2>/dev/null | awk '/^Version:/ {print $2}' | sort -u); do
    if [ -z "$best" ] || dpkg --compare-versions "$v" gt "$best"; then best=$v; fi
  done
  echo "$best"
}

# Every version of a source package that apt lists, newest first (compared
# as dpkg compares them).
listed_versions() {
  local -a vs=()
  local best i
  mapfile -t vs < <(apt-cache showsrc "$1" 2>/dev/null | awk '/^Version:/ {print $2}' | sort -u)
  while [ ${#vs[@]} -gt 0 ]; do
    best=0
    for i in "${!vs[@]}"; do
      if dpkg --compare-versions "${vs[$i]}" gt "${vs[$best]}"; then best=$i; fi
    done
    echo "${vs[$best]}"
    unset "vs[$best]"
    vs=("${vs[@]}")
  done
}

PACKAGES=(libjpeg-turbo libpng1.6 giflib libwebp libde265 dav1d libheif)
declare -A VERSION
declare -A PINNED
for pkg in "${PACKAGES[@]}"; do
  VERSION[$pkg]=$(newest_version "$pkg")
  [ -n "${VERSION[$pkg]}" ] || fail "apt lists no source version of $pkg: add the deb-src entries (scripts/add-deb-src.sh) and run apt-get update"
done
# MURIVANE_WINLIBS_PIN="pkg=version ..." builds the named packages from the
# given versions instead, by the caller's choice (an archive that lists a
# version it no longer serves); the stamps record the pinned version, so
# dropping the pin rebuilds those libraries.
for pin in ${MURIVANE_WINLIBS_PIN:-}; do
  pkg=${pin%%=*}
  [ -n "${VERSION[$pkg]+set}" ] && [ "$pin" != "$pkg" ] || fail "MURIVANE_WINLIBS_PIN: '$pin' is not package=version of ${PACKAGES[*]}"
  echo "winlibs: $pkg pinned to ${pin#*=} (newest listed: ${VERSION[$pkg]})" >&2
  VERSION[$pkg]=${pin#*=}
  PINNED[$pkg]=1
done

# --- what each library is built with; all of it goes into its stamp ---------

# Flags of every library after libjpeg-turbo and libpng. Windows keeps the
# stacks of threads and of callbacks aligned to 4 bytes only: code that keeps
# SSE values on the stack realigns it where it needs to (dav1d does this
# itself, see its build).
LIB_CFLAGS="-msse2 -mfpmath=sse -mstackrealign"
COMPILER="$("$MINGW-gcc-posix" --version 2>/dev/null | head -n 1) / $(cmake --version | head -n 1) / $(sha256sum "$TOOLCHAIN" | cut -c1-16)"
JPEG_OPTS=(-DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF -DWITH_JPEG8=OFF -DWITH_JPEG7=OFF
  -DWITH_SIMD=ON -DCMAKE_ASM_NASM_COMPILER=nasm -DREQUIRE_SIMD=OFF)
PNG_OPTS=(-DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF -DSKIP_INSTALL_PROGRAMS=ON
  "-DZLIB_INCLUDE_DIR=/usr/$MINGW/include" "-DZLIB_LIBRARY=/usr/$MINGW/lib/libz.a")
GIF_CFLAGS="-std=gnu99 -O2 $LIB_CFLAGS -Wall -Wno-format-truncation"
WEBP_OPTS=(-DWEBP_BUILD_ANIM_UTILS=OFF -DWEBP_BUILD_CWEBP=OFF -DWEBP_BUILD_DWEBP=OFF -DWEBP_BUILD_GIF2WEBP=OFF
  -DWEBP_BUILD_IMG2WEBP=OFF -DWEBP_BUILD_VWEBP=OFF -DWEBP_BUILD_WEBPINFO=OFF -DWEBP_BUILD_WEBPMUX=OFF
  -DWEBP_BUILD_LIBWEBPMUX=OFF -DWEBP_BUILD_EXTRAS=OFF -DWEBP_BUILD_WEBP_JS=OFF)
DE265_OPTS=(-DENABLE_SDL=OFF -DENABLE_DECODER=OFF -DENABLE_ENCODER=OFF)
DAV1D_C_ARGS="'-msse2', '-mfpmath=sse'"
DAV1D_OPTS=(--buildtype release --default-library static -Denable_asm=true -Denable_tools=false
  -Denable_tests=false -Denable_examples=false -Denable_docs=false -Dxxhash_muxer=disabled -Dbitdepths=8,16
  -Dlogging=false)
HEIF_CXXFLAGS="$LIB_CFLAGS -Wno-error -DLIBDE265_STATIC_BUILD -DLIBHEIF_STATIC_BUILD"
HEIF_CFLAGS="$LIB_CFLAGS -Wno-error"
HEIF_OPTS=(-DENABLE_PLUGIN_LOADING=OFF -DWITH_EXAMPLES=OFF -DWITH_LIBDE265=ON -DWITH_LIBDE265_PLUGIN=OFF
  -DLIBDE265_INCLUDE_DIR="$PREFIX/include" -DLIBDE265_LIBRARY="$PREFIX/lib/libde265.a"
  -DWITH_DAV1D=ON -DWITH_DAV1D_PLUGIN=OFF
  -DDAV1D_INCLUDE_DIR="$PREFIX/include" -DDAV1D_LIBRARY="$PREFIX/lib/libdav1d.a"
  -DWITH_X265=OFF -DWITH_AOM_DECODER=OFF -DWITH_AOM_ENCODER=OFF -DWITH_RAV1E=OFF
  -DWITH_SvtEnc=OFF -DWITH_DEFLATE_HEADER_COMPRESSION=OFF)

# A stamp's text: the source versions, the flags, the compiler.
recipe() {
  case $1 in
    jpeg-png) printf 'source: libjpeg-turbo %s, libpng1.6 %s\nflags: %s | %s\n' "${VERSION[libjpeg-turbo]}" \
                "${VERSION[libpng1.6]}" "${JPEG_OPTS[*]}" "${PNG_OPTS[*]}" ;;
    giflib)   printf 'source: giflib %s\nflags: %s\n' "${VERSION[giflib]}" "$GIF_CFLAGS" ;;
    libwebp)  printf 'source: libwebp %s\nflags: %s | %s\n' "${VERSION[libwebp]}" "$LIB_CFLAGS" "${WEBP_OPTS[*]}" ;;
    libde265) printf 'source: libde265 %s\nflags: %s | %s\n' "${VERSION[libde265]}" "$LIB_CFLAGS" "${DE265_OPTS[*]}" ;;
    dav1d)    printf 'source: dav1d %s\nflags: %s | %s\n' "${VERSION[dav1d]}" "$DAV1D_C_ARGS" "${DAV1D_OPTS[*]}" ;;
    libheif)  printf 'source: libheif %s\nflags: %s | %s | %s\nlinks: %s / %s\n' "${VERSION[libheif]}" \
                "$HEIF_CFLAGS" "$HEIF_CXXFLAGS" "${HEIF_OPTS[*]}" "$(recipe libde265 | tr '\n' ' ')" \
                "$(recipe dav1d | tr '\n' ' ')" ;;
  esac
  printf 'compiler: %s\n' "$COMPILER"
}

LIBS=(jpeg-png giflib libwebp libde265 dav1d libheif)
up_to_date() { [ -f "$PREFIX/.stamp-$1" ] && [ "$(cat "$PREFIX/.stamp-$1")" = "$(recipe "$1")" ]; }
all_cached() {
  local l
  for l in "${LIBS[@]}"; do up_to_date "$l" || return 1; done
}
if all_cached; then echo "winlibs: cached in $PREFIX"; exit 0; fi
mkdir -p "$CACHE/src" "$PREFIX"

# The version of an unpacked source tree, from its changelog.
unpacked_version() {
  local d
  d=$(find "$CACHE/src/$1" -mindepth 1 -maxdepth 1 -type d 2>/dev/null | head -n 1)
  [ -n "$d" ] && [ -f "$d/debian/changelog" ] && dpkg-parsechangelog -l "$d/debian/changelog" -S Version 2>/dev/null
}

# Fetches and unpacks the newest version of a source package, unless that
# version is already unpacked. No other version is ever taken.
fetch_source() {
  local pkg=$1 dir=$CACHE/src/$1 want=${VERSION[$1]}
  if [ "$(unpacked_version "$pkg" || true)" = "$want" ]; then return 0; fi
  # Fetched beside the sources there are, which stay until it succeeds.
  rm -rf "$dir.new"; mkdir -p "$dir.new"
  if ! (cd "$dir.new" && apt-get source -qq "$pkg=$want" >"$CACHE/$pkg-fetch.log" 2>&1); then
    rm -rf "$dir.new"
    if [ -z "${PINNED[$pkg]:-}" ] && grep -q '404 *Not Found' "$CACHE/$pkg-fetch.log"; then
      return 2  # listed but not served
    fi
    tail -n 5 "$CACHE/$pkg-fetch.log" >&2
    fail "cannot fetch $pkg $want, the source version wanted (the newest apt lists, unless pinned);" \
      "no other version is taken. Check the network and the deb-src entries, or run apt-get update;" \
      "to build an older version knowingly, set MURIVANE_WINLIBS_PIN=\"$pkg=<version>\" (log: $CACHE/$pkg-fetch.log)"
  fi
  rm -rf "$dir"; mv "$dir.new" "$dir"
  [ "$(unpacked_version "$pkg" || true)" = "$want" ] || fail "$pkg: unpacked source is not version $want"
  echo "winlibs: $pkg $want"
}

build_jpeg_png() {
  fetch_source libjpeg-turbo
  fetch_source libpng1.6

  JSRC=$(find "$CACHE/src/libjpeg-turbo" -mindepth 1 -maxdepth 1 -type d | head -1)
  PSRC=$(find "$CACHE/src/libpng1.6" -mindepth 1 -maxdepth 1 -type d | head -1)

  # Afresh: a build folder left by another source version or another cache is not reused.
  rm -rf "$CACHE/build-$ARCH-jpeg" "$CACHE/build-$ARCH-png"
  cmake -S "$JSRC" -B "$CACHE/build-$ARCH-jpeg" -G "Unix Makefiles" \
    -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$PREFIX" "${JPEG_OPTS[@]}" >"$CACHE/jpeg-configure.log"
  cmake --build "$CACHE/build-$ARCH-jpeg" -j"$JOBS" >"$CACHE/jpeg-build.log"
  cmake --install "$CACHE/build-$ARCH-jpeg" >/dev/null

  cmake -S "$PSRC" -B "$CACHE/build-$ARCH-png" -G "Unix Makefiles" \
    -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$PREFIX" "${PNG_OPTS[@]}" >"$CACHE/png-configure.log"
  cmake --build "$CACHE/build-$ARCH-png" -j"$JOBS" >"$CACHE/png-build.log"
  cmake --install "$CACHE/build-$ARCH-png" >/dev/null
  rm -rf "$CACHE/build-$ARCH-jpeg" "$CACHE/build-$ARCH-png"
}

# --- the later formats: GIF, WebP, HEIF/HEIC and AVIF -----------------------

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
  (cd "$obj" && logged giflib-build.log "$MINGW-gcc-posix" $GIF_CFLAGS \
    -c "$src"/{dgif_lib,egif_lib,gifalloc,gif_err,gif_font,gif_hash}.c \
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
  cmake_lib "$(src_of libwebp)" webp "${WEBP_OPTS[@]}"
}

# libde265: the HEVC decoder library (its encoder files are part of it), no
# dec265 tool, no SDL.
build_libde265() {
  fetch_source libde265
  cmake_lib "$(src_of libde265)" de265 "${DE265_OPTS[@]}"
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
c_args = [$DAV1D_C_ARGS]

[host_machine]
system = 'windows'
cpu_family = '$([ "$ARCH" = i686 ] && echo x86 || echo x86_64)'
cpu = '$ARCH'
endian = 'little'
CROSS
  rm -rf "$CACHE/build-$ARCH-dav1d"
  logged dav1d-configure.log meson setup "$CACHE/build-$ARCH-dav1d" "$(src_of dav1d)" \
    --cross-file "$cross" --prefix "$PREFIX" --libdir lib "${DAV1D_OPTS[@]}"
  logged dav1d-build.log ninja -C "$CACHE/build-$ARCH-dav1d" -j"$JOBS"
  logged dav1d-install.log ninja -C "$CACHE/build-$ARCH-dav1d" install
  rm -rf "$CACHE/build-$ARCH-dav1d"
}

# libheif: static, its HEVC (libde265) and AV1 (dav1d) decoders built in and
# registered at start-up, no plugin loading, no encoders, no examples.
build_libheif() {
  fetch_source libheif
  cmake_lib "$(src_of libheif)" heif -DCMAKE_CXX_FLAGS="$HEIF_CXXFLAGS" -DCMAKE_C_FLAGS="$HEIF_CFLAGS" \
    "${HEIF_OPTS[@]}"
  local d
  for d in libde265 dav1d; do
    if ! grep -q "Compiling '$d' as built-in backend" "$CACHE/heif-configure.log"; then
      echo "winlibs: libheif was made without $d, see $CACHE/heif-configure.log" >&2; return 1
    fi
  done
}

# The source packages of each library, and its stamp of the earlier format
# (which named neither versions nor flags).
declare -A SOURCES=([jpeg-png]="libjpeg-turbo libpng1.6" [giflib]=giflib [libwebp]=libwebp [libde265]=libde265
  [dav1d]=dav1d [libheif]=libheif)
declare -A OLD_STAMP=([jpeg-png]=complete-v1 [giflib]=giflib-v1 [libwebp]=libwebp-v1 [libde265]=libde265-v1
  [dav1d]=dav1d-v1 [libheif]=libheif-v1)
REBUILT=""

# A library built under an earlier-format stamp is kept when its unpacked
# sources are the versions wanted now (its flags were this script's then,
# the same as now); libheif only while neither decoder was rebuilt.
adoptable() {
  local name=$1 pkg
  [ -f "$PREFIX/.${OLD_STAMP[$name]}" ] || return 1
  for pkg in ${SOURCES[$name]}; do
    [ "$(unpacked_version "$pkg" || true)" = "${VERSION[$pkg]}" ] || return 1
  done
  [ "$name" != libheif ] || [ -z "$REBUILT" ] || return 1
}

# Builds one library unless its stamp matches what this run would build; the
# stamp is written only once the library is installed.
build_once() {
  local name=$1 fn=$2 stamp=$PREFIX/.stamp-$1
  if up_to_date "$name"; then echo "winlibs: $name cached"; return 0; fi
  if adoptable "$name"; then
    recipe "$name" >"$stamp"
    rm -f "$PREFIX/.${OLD_STAMP[$name]}"
    echo "winlibs: $name kept (built from the same sources and flags before its stamp said so)"
    return 0
  fi
  if [ -f "$stamp" ]; then echo "winlibs: $name: source version, flags or compiler changed, rebuilding"; fi
  rm -f "$stamp" "$PREFIX/.${OLD_STAMP[$name]}"
  local t0=$SECONDS
  "$fn"
  recipe "$name" >"$stamp"
  REBUILT="$REBUILT $name"
  echo "winlibs: $name built in $((SECONDS - t0)) s"
}

# Each source fetched now, so the stamps name the versions built: the newest
# listed, or, where the archive does not serve that one, the newest it serves.
for pkg in "${PACKAGES[@]}"; do
  newest=${VERSION[$pkg]}
  rc=0; fetch_source "$pkg" || rc=$?
  [ $rc -eq 2 ] || continue
  served=""
  for v in $(listed_versions "$pkg"); do
    dpkg --compare-versions "$v" lt "$newest" || continue
    VERSION[$pkg]=$v
    rc=0; fetch_source "$pkg" || rc=$?
    if [ $rc -eq 0 ]; then served=$v; break; fi
  done
  [ -n "$served" ] || fail "cannot fetch any listed source version of $pkg (the archive answers 404 Not Found; log: $CACHE/$pkg-fetch.log)"
  echo "winlibs: WARNING: $pkg $newest is listed but its sources are not served (404 Not Found); building $served, the newest version served" >&2
done

build_once jpeg-png build_jpeg_png
build_once giflib build_giflib
build_once libwebp build_libwebp
build_once libde265 build_libde265
build_once dav1d build_dav1d
build_once libheif build_libheif
echo "winlibs: built into $PREFIX"
