# Sourced by the scripts that run Windows programs: the project's own 32-bit
# Wine prefix under build/, quiet logs, no offers to install Mono or Gecko.
MURIVANE_ROOT=${MURIVANE_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
export WINEPREFIX=${MURIVANE_WINEPREFIX:-$MURIVANE_ROOT/build/wineprefix}
export WINEARCH=win32
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree=d;mshtml=d"

# Starts Xvfb when there is no display; sets MURIVANE_XVFB_PID when it did.
murivane_ensure_display() {
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then return 0; fi
  local n
  for n in $(seq 91 130); do
    if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
      Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
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
