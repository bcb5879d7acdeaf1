#!/usr/bin/env bash
# Runs a Windows program under the project's Wine prefix, with a display.
# Used by CTest as the emulator of the Windows build.
set -uo pipefail
# Tests get a prefix of their own, so they never disturb the desktop that
# scripts/run.sh shows.
export MURIVANE_WINEPREFIX=${MURIVANE_WINEPREFIX:-$(cd "$(dirname "$0")/.." && pwd)/build/wineprefix-tests}
source "$(dirname "$0")/wine-env.sh"
# One run at a time per prefix: two runs would share one wineserver, and the
# first to finish would end the other's programs.
mkdir -p "$(dirname "$WINEPREFIX")"
exec 9>"$WINEPREFIX.lock"
flock 9
murivane_ensure_display || exit 1
murivane_init_prefix
wine "$@"
rc=$?
# Leave no Wine processes of this prefix behind between test runs.
wineserver -k 2>/dev/null || true
murivane_stop_display
exit $rc
