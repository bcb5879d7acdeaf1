# Sourced by the scripts that run Windows programs: the project's own 32-bit
# Wine prefix under build/, quiet logs, no offers to install Mono or Gecko.
MURIVANE_ROOT=${MURIVANE_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
export WINEPREFIX=${MURIVANE_WINEPREFIX:-$MURIVANE_ROOT/build/wineprefix}
# A 32-bit prefix for the shipped build; where 32-bit programs cannot run, a
# 64-bit one for the 64-bit build (scripts/winarch.sh).
source "$MURIVANE_ROOT/scripts/winarch.sh"
MURIVANE_WINARCH_IN_USE=$(murivane_winarch)
if [ "$MURIVANE_WINARCH_IN_USE" = x86_64 ]; then
  export WINEARCH=win64
  # Debian's wine command takes the 32-bit loader whenever it is installed,
  # even where it cannot run: commands of our own take the 64-bit one.
  murivane_wine64_bin="$MURIVANE_ROOT/build/wine64-bin"
  if [ ! -x "$murivane_wine64_bin/wine-stable" ]; then
    mkdir -p "$murivane_wine64_bin"
    printf '#!/bin/sh\nexport WINELOADER=/usr/lib/wine/wine64\nexec /usr/lib/wine/wine64 "$@"\n' \
      >"$murivane_wine64_bin/wine-stable"
    chmod +x "$murivane_wine64_bin/wine-stable"
    ln -sfn wine-stable "$murivane_wine64_bin/wine"
  fi
  case ":$PATH:" in *":$murivane_wine64_bin:"*) ;; *) export PATH="$murivane_wine64_bin:$PATH" ;; esac
  export WINELOADER=/usr/lib/wine/wine64
else
  export WINEARCH=win32
fi

# A prefix made for the other architecture is made anew.
murivane_prefix_of_this_arch() {
  local want=win32
  [ "$WINEARCH" = win64 ] && want=win64
  if [ -f "$WINEPREFIX/system.reg" ] && ! grep -q "^#arch=$want" "$WINEPREFIX/system.reg"; then
    rm -rf "$WINEPREFIX"
  fi
}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree=d;mshtml=d"

# Starts Xvfb when there is no display; sets MURIVANE_XVFB_PID when it did.
murivane_ensure_display() {
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then return 0; fi
  local n
  for n in $(seq 91 130); do
    if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
      # Without the prefix's lock (fd 9 of wine-run.sh): a run killed half
      # way must not leave a display behind that holds it.
      Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 9>&- &
      MURIVANE_XVFB_PID=$!
      export DISPLAY=":$n"
      local i
      for i in $(seq 1 50); do
        xdpyinfo >/dev/null 2>&1 && return 0
        sleep 0.1
      done
      echo "Xvfb did not start on :$n" >&2
      return 1
    fi
  done
  echo "no free X display number" >&2
  return 1
}

murivane_stop_display() {
  if [ -n "${MURIVANE_XVFB_PID:-}" ]; then
    kill "$MURIVANE_XVFB_PID" 2>/dev/null || true
    wait "$MURIVANE_XVFB_PID" 2>/dev/null || true
    MURIVANE_XVFB_PID=
  fi
}

# Creates the prefix once, with a 1024x768 virtual desktop for every program
# (so the tray, the wallpaper and the screen size are the same on every run).
murivane_init_prefix() {
  murivane_prefix_of_this_arch
  if [ -f "$WINEPREFIX/.murivane-ready-v2" ]; then return 0; fi
  mkdir -p "$WINEPREFIX"
  wineboot --init >/dev/null 2>&1 || true
  wineserver -w 2>/dev/null || true
  wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
  # A taskbar with a notification area on the virtual desktops.
  wine reg add 'HKCU\Software\Wine\Explorer\Desktops\Default' /v EnableShell /t REG_DWORD /d 1 /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Explorer\Desktops\Murivane' /v EnableShell /t REG_DWORD /d 1 /f >/dev/null 2>&1
  wineserver -w 2>/dev/null || true
  touch "$WINEPREFIX/.murivane-ready-v2"
}

# A small drive for the tests of a full disk: a 4 MB tmpfs mapped as M:,
# where this machine lets us mount one (as root, outside a locked-down
# container). MURIVANE_SMALL_DRIVE then tells the tests its letter; without
# it they skip their full-disk steps.
murivane_small_drive_dir() {
  printf '%s/murivane-small-%s' "${TMPDIR:-/tmp}" "$(printf %s "$WINEPREFIX" | md5sum | cut -c1-8)"
}
murivane_small_drive() {
  local dir
  dir=$(murivane_small_drive_dir)
  mkdir -p "$dir" 2>/dev/null || return 0
  if ! mountpoint -q "$dir" && ! mount -t tmpfs -o size=4m tmpfs "$dir" 2>/dev/null; then
    rmdir "$dir" 2>/dev/null
    return 0
  fi
  ln -sfn "$dir" "$WINEPREFIX/dosdevices/m:"
  export MURIVANE_SMALL_DRIVE='M:'
}
murivane_small_drive_off() {
  local dir
  dir=$(murivane_small_drive_dir)
  rm -f "$WINEPREFIX/dosdevices/m:"
  if mountpoint -q "$dir" 2>/dev/null; then umount "$dir" 2>/dev/null && rmdir "$dir" 2>/dev/null; fi
  return 0
}

# ---------------------------------------------------------------------------
# Several monitors. A virtual desktop always has one monitor, so the monitor
# tests run in a prefix of their own without one, on an Xvfb screen as big as
# the monitors, with Wine's X11 driver reading them from Xinerama (UseXRandR=N)
# and a stand-in libXinerama.so.1 (tests/wine/xinerama-heads.c) that reports
# the heads of MURIVANE_XINERAMA_HEADS. The first head is the primary monitor,
# which Wine places at 0,0; the default is a 1920x1080 primary, a 1080x1920
# portrait monitor to its right and a 2560x1440 monitor to its left.
MURIVANE_DEFAULT_HEADS="1920x1080+0+0,1080x1920+1920+0,2560x1440-2560+0"

# Prints the width and height of the rectangle that bounds the heads.
murivane_heads_bounds() {
  local head left=0 top=0 right=0 bottom=0 first=1 w h x y
  local IFS=,
  for head in $1; do
    if [[ ! $head =~ ^([0-9]+)x([0-9]+)([+-][0-9]+)([+-][0-9]+)$ ]]; then
      echo "bad head '$head' in MURIVANE_XINERAMA_HEADS (want WxH+X+Y,...)" >&2
      return 1
    fi
    w=$((10#${BASH_REMATCH[1]})); h=$((10#${BASH_REMATCH[2]}))
    x=${BASH_REMATCH[3]}; x=$((${x:0:1}10#${x:1}))
    y=${BASH_REMATCH[4]}; y=$((${y:0:1}10#${y:1}))
    if [ $first = 1 ] || [ "$x" -lt $left ]; then left=$x; fi
    if [ $first = 1 ] || [ "$y" -lt $top ]; then top=$y; fi
    if [ $first = 1 ] || [ $((x + w)) -gt $right ]; then right=$((x + w)); fi
    if [ $first = 1 ] || [ $((y + h)) -gt $bottom ]; then bottom=$((y + h)); fi
    first=0
  done
  echo "$((right - left)) $((bottom - top))"
}

# Starts an Xvfb of its own with a screen of the given size (WxH) on a display
# number the server picks itself, and exports DISPLAY; sets MURIVANE_XVFB_PID.
murivane_start_xvfb() {
  local fdfile i
  fdfile=$(mktemp)
  Xvfb -displayfd 3 -screen 0 "${1}x24" -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 9>&- &
  MURIVANE_XVFB_PID=$!
  for i in $(seq 1 100); do
    if [ -s "$fdfile" ]; then
      export DISPLAY=":$(tr -d '[:space:]' <"$fdfile")"
      rm -f "$fdfile"
      xdpyinfo >/dev/null 2>&1 && return 0
      break
    fi
    kill -0 "$MURIVANE_XVFB_PID" 2>/dev/null || break
    sleep 0.1
  done
  rm -f "$fdfile"
  echo "Xvfb with a ${1} screen did not start" >&2
  murivane_stop_display
  return 1
}

# Builds the stand-in Xinerama library when its source changed since the last
# build, and prints the folder that holds it.
murivane_xinerama_lib() {
  local src="$MURIVANE_ROOT/tests/wine/xinerama-heads.c"
  # For the Wine in use: 32-bit, or 64-bit (scripts/winarch.sh).
  local dir="$MURIVANE_ROOT/build/xinerama-$MURIVANE_WINARCH_IN_USE" sum tmp bits=-m32
  [ "$MURIVANE_WINARCH_IN_USE" = x86_64 ] && bits=-m64
  sum=$(sha256sum "$src" | cut -d' ' -f1)
  if [ ! -f "$dir/libXinerama.so.1" ] || [ "$(cat "$dir/source.sha256" 2>/dev/null)" != "$sum" ]; then
    mkdir -p "$dir"
    tmp=$(mktemp "$dir/.build.XXXXXX")
    gcc $bits -shared -fPIC -O2 -Wall -Wextra -Wl,-soname,libXinerama.so.1 -o "$tmp" "$src" >&2 || { rm -f "$tmp"; return 1; }
    mv -f "$tmp" "$dir/libXinerama.so.1"
    echo "$sum" >"$dir/source.sha256"
  fi
  echo "$dir"
}

# Sets up the display and the library for the heads: an Xvfb screen that
# holds them all, and Wine finding the stand-in library first.
murivane_monitors_display() {
  export MURIVANE_XINERAMA_HEADS=${MURIVANE_XINERAMA_HEADS:-$MURIVANE_DEFAULT_HEADS}
  local bounds lib
  bounds=$(murivane_heads_bounds "$MURIVANE_XINERAMA_HEADS") || return 1
  lib=$(murivane_xinerama_lib) || return 1
  murivane_start_xvfb "${bounds/ /x}" || return 1
  export LD_LIBRARY_PATH="$lib${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"
}

# Creates the monitor prefix once: no virtual desktop, monitors from Xinerama.
murivane_init_monitors_prefix() {
  murivane_prefix_of_this_arch
  if [ -f "$WINEPREFIX/.murivane-monitors-ready-v1" ]; then return 0; fi
  mkdir -p "$WINEPREFIX"
  wineboot --init >/dev/null 2>&1 || true
  wineserver -w 2>/dev/null || true
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v UseXRandR /d N /f >/dev/null 2>&1 || return 1
  wineserver -w 2>/dev/null || true
  touch "$WINEPREFIX/.murivane-monitors-ready-v1"
}

# Tests switch the Windows version and back (tests/win32/WineVersion.h); a
# run that broke off in between must not leave the next one another version.
# Needs the prefix's wineserver stopped (its registry saved).
murivane_reset_version() {
  local version
  version=$(awk '/^\[/ { key = ($0 ~ /^\[Software\\\\Microsoft\\\\Windows NT\\\\CurrentVersion\]/) }
                 key && /^"CurrentVersion"=/ { print; exit }' "$WINEPREFIX/system.reg" 2>/dev/null)
  if [ "$version" != '"CurrentVersion"="6.1"' ]; then
    wine winecfg -v win7 >/dev/null 2>&1 || return 1
  fi
}
