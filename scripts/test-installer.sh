#!/usr/bin/env bash
# Tests the setup program under Wine in a fresh prefix of its own
# (build/wineprefix-installer): silent install, the installed program, an
# install over a running copy, silent uninstall. Needs the Windows build and
# the setup program (bash scripts/package.sh). Prints the test output.
set -uo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
SETUP=$(ls -t "$ROOT"/build/Murivane-Setup-*.exe 2>/dev/null | head -1)
if [ -z "$SETUP" ]; then
  echo "test-installer: no build/Murivane-Setup-*.exe; run bash scripts/package.sh" >&2
  exit 1
fi
export MURIVANE_WINEPREFIX="$ROOT/build/wineprefix-installer"
rm -rf "$MURIVANE_WINEPREFIX"
cd "$ROOT/build/win32"
MURIVANE_SETUP="$SETUP" timeout 300 "$ROOT/scripts/wine-run.sh" ./murivane_wintests.exe \
  --gtest_filter='Installer.*' --gtest_color=no
