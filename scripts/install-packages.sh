#!/usr/bin/env bash
# Installs the Debian packages the native and the Windows builds need.
# Idempotent and non-interactive; must run as root (or through sudo).
set -euo pipefail

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive

PACKAGES=(
  build-essential cmake ninja-build pkg-config dpkg-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  clang libclang-rt-14-dev
  libjpeg62-turbo-dev libpng-dev zlib1g-dev
  # GIF, WebP and HEIF/AVIF for the native build (bookworm's libheif1 carries
  # its decoders, libde265 and dav1d, and its encoders, x265 and aom, itself)
  libgif-dev libwebp-dev libheif-dev
  libde265-dev libdav1d-dev  # the HEIF decoder also calls libde265 and dav1d itself
  # makers of the tests' pictures: cwebp, img2webp, webpmux, gifbuild, heif-enc and
  # heif-convert (HEIC through x265; -A for AVIF through aom, from 8-bit input or
  # with -b 12: aom aborts on -b 10)
  webp libheif-examples giflib-tools
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686
  # the 64-bit Windows build and Wine, for machines that cannot run 32-bit programs
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine64
  libz-mingw-w64-dev nasm
  meson  # dav1d's Windows build
  wine wine32 xvfb xauth imagemagick x11-utils
  gcc-multilib  # builds the monitor tests' 32-bit stand-in Xinerama library
  nsis
)

missing() {
  local p
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || echo "$p"
  done
}

# Wine's 32-bit half needs the i386 architecture.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
  NEED_UPDATE=1
fi

# Source entries mirror the machine's own binary entries, so that the Windows
# builds of the picture libraries can be made from Debian's source packages.
"$(dirname "$0")/add-deb-src.sh" && true
if [ -f /tmp/.murivane-src-added ]; then NEED_UPDATE=1; rm -f /tmp/.murivane-src-added; fi

todo=$(missing)
if [ -n "$todo" ] || [ "${NEED_UPDATE:-0}" = 1 ] || [ ! -d /var/lib/apt/lists ] \
   || [ -z "$(ls /var/lib/apt/lists 2>/dev/null | grep -i _Sources || true)" ]; then
  $SUDO apt-get update -qq
fi
todo=$(missing)
if [ -n "$todo" ]; then
  # shellcheck disable=SC2086
  $SUDO apt-get install -y -qq --no-install-recommends $todo
fi
echo "packages: all present"
