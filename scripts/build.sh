#!/usr/bin/env bash
# Configures and builds one of the two builds: native | win32.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
JOBS=$(nproc 2>/dev/null || echo 2)
case "${1:-}" in
  native)
    cmake -S "$ROOT" -B "$ROOT/build/native" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DMURIVANE_SANITIZE=ON -DMURIVANE_BENCH=ON >/dev/null
    cmake --build "$ROOT/build/native" -j"$JOBS" ;;
  win32)
    # The shipped 32-bit build, or the 64-bit one where 32-bit programs
    # cannot run (scripts/winarch.sh); a folder made for the other is made anew.
    source "$ROOT/scripts/winarch.sh"
    ARCH=$(murivane_winarch)
    if [ -f "$ROOT/build/win32/CMakeCache.txt" ] &&
       ! grep -q "^CMAKE_TOOLCHAIN_FILE:[A-Z]*=.*/mingw-$ARCH.cmake$" "$ROOT/build/win32/CMakeCache.txt"; then
      rm -rf "$ROOT/build/win32"
    fi
    cmake -S "$ROOT" -B "$ROOT/build/win32" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-$ARCH.cmake" >/dev/null
    cmake --build "$ROOT/build/win32" -j"$JOBS" ;;
  *) echo "usage: $0 native|win32" >&2; exit 2 ;;
esac
