#!/usr/bin/env bash
# Builds the libFuzzer harnesses (clang, ASan, UBSan) in build/fuzz, writes the
# seed corpora, runs every harness (fuzz/*_fuzz.cpp) over its corpus, then
# fuzzes each one for a bounded time and prints how many inputs it ran.
# Exits non-zero on any finding (crash, sanitizer report, leak, timeout,
# out-of-memory); the input that caused it is kept in build/fuzz/artifacts.
#   FUZZ_SECONDS  time per harness for the fuzzing run (default 20)
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD="$ROOT/build/fuzz"
SECONDS_EACH=${FUZZ_SECONDS:-20}
JOBS=$(nproc 2>/dev/null || echo 2)
LIMITS=(-rss_limit_mb=2048 -timeout=10)

cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMURIVANE_FUZZ=ON \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$BUILD" --target fuzzers -j"$JOBS"

# Seeds are made afresh each time; what fuzzing finds is kept in work/.
rm -rf "$BUILD/corpus"
mkdir -p "$BUILD/corpus" "$BUILD/work" "$BUILD/artifacts" "$BUILD/logs"
"$BUILD/fuzz/fuzz_seeds" "$BUILD/corpus"

status=0
total=0
shopt -s nullglob
for src in "$ROOT"/fuzz/*_fuzz.cpp; do
  name=$(basename "$src" .cpp)
  harness="$BUILD/fuzz/$name"
  corpus=("$BUILD/work/$name" "$BUILD/corpus/$name")
  [ -d "$ROOT/fuzz/seeds/$name" ] && corpus+=("$ROOT/fuzz/seeds/$name")
  mkdir -p "$BUILD/work/$name" "$BUILD/corpus/$name" "$BUILD/artifacts/$name"
  log="$BUILD/logs/$name.log"
  common=("${LIMITS[@]}" -artifact_prefix="$BUILD/artifacts/$name/" -print_final_stats=1)

  echo "== $name: corpus"
  if ! "$harness" "${common[@]}" -runs=0 "${corpus[@]}" >"$log" 2>&1; then
    echo "$name: FINDING while running the corpus (see $log)"; tail -n 30 "$log"; status=1; continue
  fi
  ran=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  echo "$name: corpus of $(find "${corpus[@]}" -type f | wc -l) files ran clean (${ran:-0} executions)"

  echo "== $name: fuzzing for ${SECONDS_EACH}s"
  if ! "$harness" "${common[@]}" -max_total_time="$SECONDS_EACH" "${corpus[@]}" >"$log" 2>&1; then
    echo "$name: FINDING while fuzzing (see $log)"; tail -n 30 "$log"; status=1; continue
  fi
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  execs=${execs:-0}
  total=$((total + execs + ${ran:-0}))
  echo "$name: $execs executions without a finding"
done
echo "fuzz: $total executions in all"
exit $status
