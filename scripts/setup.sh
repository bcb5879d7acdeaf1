#!/usr/bin/env bash
# Sets up everything a fresh machine needs: packages, the Windows builds of the
# picture libraries and the Wine prefix. Idempotent.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
bash "$ROOT/scripts/install-packages.sh"
bash "$ROOT/scripts/build-winlibs.sh"
source "$ROOT/scripts/wine-env.sh"
murivane_prefix_of_this_arch
if [ ! -f "$WINEPREFIX/.murivane-ready-v2" ]; then
  murivane_ensure_display
  murivane_init_prefix
  murivane_stop_display
fi
echo "setup: ready"
