#!/usr/bin/env bash
# Runs a Windows program under the project's Wine prefix, with a display.
# Used by CTest as the emulator of the Windows build.
#   wine-run.sh PROGRAM ARGS...            one 1024x768 virtual desktop
#   wine-run.sh --monitors PROGRAM ARGS... several monitors, no virtual desktop
#     (the heads of MURIVANE_XINERAMA_HEADS, see wine-env.sh)
set -uo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
MONITORS=0
if [ "${1:-}" = --monitors ]; then MONITORS=1; shift; fi
# Tests get a prefix of their own, so they never disturb the desktop that
# scripts/run.sh shows; the monitor tests one more, without a virtual desktop.
if [ $MONITORS = 1 ]; then
  export MURIVANE_WINEPREFIX=$ROOT/build/wineprefix-monitors
else
  export MURIVANE_WINEPREFIX=${MURIVANE_WINEPREFIX:-$ROOT/build/wineprefix-tests}
fi
source "$ROOT/scripts/wine-env.sh"
# One run at a time per prefix: two runs would share one wineserver, and the
# first to finish would end the other's programs.
mkdir -p "$(dirname "$WINEPREFIX")"
exec 9>"$WINEPREFIX.lock"
flock 9
if [ $MONITORS = 1 ]; then
  murivane_monitors_display || exit 1
  { murivane_init_monitors_prefix && murivane_reset_version; } || { murivane_stop_display; exit 1; }
else
  murivane_ensure_display || exit 1
  murivane_init_prefix
  murivane_small_drive
fi
wine "$@"
rc=$?
# Leave no Wine processes of this prefix behind between test runs.
wineserver -k 2>/dev/null || true
[ $MONITORS = 1 ] || murivane_small_drive_off
murivane_stop_display
exit $rc
