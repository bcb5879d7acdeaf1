#!/usr/bin/env bash
# Sets up, builds and runs every test: the native suite (with ASan and UBSan),
# the Windows suite under Wine, the setup program under Wine, and the fuzz
# harnesses. Ends with one line "tests: N passed, N failed" counting every
# test case of the native suite, both Windows entries (the suite and the
# monitors) and the setup program's tests.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
LOGS="$ROOT/build/test-logs"
bash "$ROOT/scripts/setup.sh"
bash "$ROOT/scripts/build.sh" native
bash "$ROOT/scripts/build.sh" win32
mkdir -p "$LOGS"
status=0

echo "== native tests"
(cd "$ROOT/build/native" && ctest --output-on-failure -j2) 2>&1 | tee "$LOGS/native.log" || true
grep -q '100% tests passed' "$LOGS/native.log" || status=1

source "$ROOT/scripts/winarch.sh"
echo "== Windows tests under Wine ($(murivane_winarch) build)"
(cd "$ROOT/build/win32" && ctest -V) >"$LOGS/win32.log" 2>&1 || true
grep -E '^[0-9]+: \[ *(RUN|OK|FAILED) *\]|Failure|Expected|Which is|Value of|Actual' "$LOGS/win32.log" \
  | grep -vE '\[ *(RUN|OK) *\]' || true
grep -E 'tests passed|Total Test time' "$LOGS/win32.log" || true
grep -q '100% tests passed' "$LOGS/win32.log" || status=1

echo "== setup program under Wine"
inst_skipped=0
if [ "$(murivane_winarch)" != i686 ]; then
  # The setup program is a 32-bit program, and this machine runs none.
  echo "setup program: skipped: this machine cannot run 32-bit programs (scripts/winarch.sh), and the setup program is one" \
    | tee "$LOGS/installer.log"
  inst_skipped=1
else
  { bash "$ROOT/scripts/package.sh" --no-build && bash "$ROOT/scripts/test-installer.sh"; } >"$LOGS/installer.log" 2>&1 || true
  grep -E '^package:|^\[ *(RUN|OK|FAILED|PASSED) *\]|Failure|Expected|Which is|Value of|Actual' "$LOGS/installer.log" \
    | grep -vE '\[ *RUN *\]' || true
  grep -q '^\[  PASSED  \]' "$LOGS/installer.log" && ! grep -q '^\[  FAILED  \]' "$LOGS/installer.log" || status=1
fi

fuzz_status=0
if [ -x "$ROOT/scripts/fuzz.sh" ]; then
  echo "== fuzz harnesses"
  bash "$ROOT/scripts/fuzz.sh" || { status=1; fuzz_status=1; }
fi

# Count test cases: every native ctest entry is one test; the Windows suite
# and the setup program's tests report their own cases.
native_total=$(sed -n 's/.*tests failed out of \([0-9]*\).*/\1/p' "$LOGS/native.log" | tail -1)
native_failed=$(sed -n 's/.*, \([0-9]*\) tests failed out of.*/\1/p' "$LOGS/native.log" | tail -1)
native_total=${native_total:-0}; native_failed=${native_failed:-0}
# The Windows build has one CTest entry per Wine setup (the suite, the
# monitors), each a run of the test program that reports its own cases; an
# entry that ended without its summary (a crash, a timeout) is one failure.
win_passed=0; win_failed=0
for n in $(sed -n 's/^ *Start \([0-9]*\): .*/\1/p' "$LOGS/win32.log"); do
  p=$(sed -n "s/^$n: \[  PASSED  \] \([0-9]*\) tests\?\..*/\1/p" "$LOGS/win32.log" | tail -1)
  f=$(sed -n "s/^$n: \[  FAILED  \] \([0-9]*\) tests\?, listed below.*/\1/p" "$LOGS/win32.log" | tail -1)
  if [ -z "$p$f" ]; then f=1; fi
  win_passed=$((win_passed + ${p:-0})); win_failed=$((win_failed + ${f:-0}))
done
if ! grep -q '100% tests passed' "$LOGS/win32.log" && [ "$win_failed" = 0 ]; then win_failed=1; fi
inst_passed=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) tests\?\..*/\1/p' "$LOGS/installer.log" | tail -1)
inst_failed=$(sed -n 's/^\[  FAILED  \] \([0-9]*\) tests\?, listed below.*/\1/p' "$LOGS/installer.log" | tail -1)
inst_passed=${inst_passed:-0}; inst_failed=${inst_failed:-0}
# No result at all (the setup program was not built, or the run broke) is a failure.
if [ "$inst_passed" = 0 ] && [ "$inst_failed" = 0 ] && [ "$inst_skipped" = 0 ]; then inst_failed=1; fi
passed=$((native_total - native_failed + win_passed + inst_passed))
failed=$((native_failed + win_failed + inst_failed + fuzz_status))
# Cases that skipped themselves (GTEST_SKIP) in the Windows suites, and the
# setup program's tests where they cannot run.
win_skipped=$(sed -n 's/^[0-9]*: \[  SKIPPED \] \([0-9]*\) tests\?,.*/\1/p' "$LOGS/win32.log" | awk '{ s += $1 } END { print s + 0 }')
skipped=$((win_skipped + inst_skipped))
if [ "$(murivane_winarch)" != i686 ]; then
  echo "note: the Windows suites ran the $(murivane_winarch) build of the same sources; the shipped 32-bit program is neither built nor run here"
fi
if [ "$skipped" -gt 0 ]; then
  echo "tests: $passed passed, $failed failed, $skipped skipped"
else
  echo "tests: $passed passed, $failed failed"
fi
exit $status
