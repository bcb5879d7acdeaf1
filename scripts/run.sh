#!/usr/bin/env bash
# Sets up, builds and runs Murivane under Wine in a 1024x768 virtual desktop.
# With a display it runs until Murivane exits. Without one it starts Xvfb,
# lets the tray instance change the wallpaper, and saves a screenshot of the
# desktop to build/screenshot.png.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
bash "$ROOT/scripts/setup.sh"
bash "$ROOT/scripts/build.sh" win32
source "$ROOT/scripts/wine-env.sh"
EXE="$ROOT/build/win32/Murivane.exe"
ARGS=("$@")
[ ${#ARGS[@]} -gt 0 ] || ARGS=(/tray)

# Installed as an installer would: the help document's folder is the program's.
register_install_folder() {
  wine reg add 'HKCU\Software\Quorvale\Murivane\Config' /v InstallFolder \
    /d "$(winepath -w "$ROOT/build/win32")\\" /f >/dev/null 2>&1 || true
}

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  murivane_init_prefix
  register_install_folder
  exec wine explorer /desktop=Murivane,1024x768 "$EXE" "${ARGS[@]}"
fi

murivane_ensure_display
murivane_init_prefix
register_install_folder
wine explorer /desktop=Murivane,1024x768 "$EXE" "${ARGS[@]}" &
WINE_PID=$!
sleep "${MURIVANE_RUN_SECONDS:-12}"
# The virtual desktop alone: its 1024x768 corner of the larger X screen.
import -window root -crop 1024x768+0+0 +repage "$ROOT/build/screenshot.png" && echo "screenshot: $ROOT/build/screenshot.png"
wineserver -k 2>/dev/null || true
wait "$WINE_PID" 2>/dev/null || true
murivane_stop_display
