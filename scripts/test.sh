#!/usr/bin/env bash
# Sets up, builds and runs every test: the native suite (with ASan and UBSan)
# and the Windows suite under Wine.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
bash "$ROOT/scripts/setup.sh"
bash "$ROOT/scripts/build.sh" native
bash "$ROOT/scripts/build.sh" win32
status=0
echo "== native tests"
(cd "$ROOT/build/native" && ctest --output-on-failure -j2) || status=1
echo "== Windows tests under Wine"
(cd "$ROOT/build/win32" && ctest --output-on-failure) || status=1
if [ -x "$ROOT/scripts/fuzz.sh" ]; then
  echo "== fuzz harnesses"
  bash "$ROOT/scripts/fuzz.sh" || status=1
fi
exit $status
