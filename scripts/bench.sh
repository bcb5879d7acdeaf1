#!/usr/bin/env bash
# Times the picture pipeline (decode + compose + BMP write) in a Release build
# without sanitizers, then has ImageMagick's convert do the same decode,
# resize and BMP write on the same files, and prints both side by side.
# For developers only; not part of the test command.
#
#   bash scripts/bench.sh            # build, run, compare
#   REPEAT=5 bash scripts/bench.sh   # convert runs per case (default 3)
set -euo pipefail

ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="$ROOT/build/bench"
REPEAT="${REPEAT:-3}"
WORK="$(mktemp -d /tmp/murivane_bench.XXXXXX)"
trap 'rm -rf "$WORK"' EXIT

echo "== Release build (no sanitizers) in $BUILD"
cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DMURIVANE_BENCH=ON -DMURIVANE_SANITIZE=OFF >/dev/null
cmake --build "$BUILD" --target murivane_bench change_once >/dev/null

echo "== Machine: $(nproc) CPUs, $(grep -m1 'model name' /proc/cpuinfo 2>/dev/null | cut -d: -f2- | sed 's/^ *//')"
echo "== Murivane pipeline (the run writes its input files into $WORK)"
MURIVANE_BENCH_DIR="$WORK" "$BUILD/bench/murivane_bench" \
    --benchmark_filter='^BM_(Pipeline|Change|Bare)' --benchmark_repetitions="$REPEAT" \
    --benchmark_report_aggregates_only=true --benchmark_out="$WORK/ours.csv" --benchmark_out_format=csv
# Median real time of each benchmark, in ms.
ours() { awk -F, -v n="\"$1/real_time_median\"" '$1 == n { printf "%.1f", $3 }' "$WORK/ours.csv"; }

for f in pipeline_6000x4000.jpg pipeline_4000x3000.png pipeline_2048x2048.bmp; do
    [ -s "$WORK/$f" ] || { echo "missing input $WORK/$f" >&2; exit 1; }
done

command -v convert >/dev/null || { echo "convert not found (scripts/install-packages.sh installs imagemagick)" >&2; exit 1; }
echo "== ImageMagick: $(convert -version | head -1)"

# Median wall time in ms of REPEAT runs of the given command.
time_ms() {
    local runs=()
    for ((i = 0; i < REPEAT; ++i)); do
        local t0 t1
        t0=$(date +%s%N)
        "$@" >/dev/null
        t1=$(date +%s%N)
        runs+=($(((t1 - t0) / 1000)))
    done
    printf '%s\n' "${runs[@]}" | sort -n | awk '{ a[NR] = $1 } END { printf "%.1f", a[int((NR + 1) / 2)] / 1000 }'
}

J="$WORK/pipeline_6000x4000.jpg" P="$WORK/pipeline_4000x3000.png" B="$WORK/pipeline_2048x2048.bmp"
O="$WORK/convert_out.bmp"
# The seamless tile keeps the picture less a tenth on each side: 1640 x 1640 at (204, 204).
CJ=(convert "$J" -resize '1920x1080!' "BMP3:$O")
CP=(convert "$P" -resize '1920x1080!' "BMP3:$O")
CB=(convert "$B" -crop 1640x1640+204+204 +repage "BMP3:$O")

declare -A IM IM1
IM[jpeg]=$(time_ms "${CJ[@]}")
IM[png]=$(time_ms "${CP[@]}")
IM[tile]=$(time_ms "${CB[@]}")
IM1[jpeg]=$(time_ms "${CJ[0]}" -limit thread 1 "${CJ[@]:1}")
IM1[png]=$(time_ms "${CP[0]}" -limit thread 1 "${CP[@]:1}")
IM1[tile]=$(time_ms "${CB[0]}" -limit thread 1 "${CB[@]:1}")

echo
echo "Median wall time per operation, ms ($REPEAT runs each; $(nproc) CPUs)"
printf '%-44s %10s %12s %14s\n' "case" "Murivane" "convert" "convert 1 thr"
printf '%-44s %10s %12s %14s\n' "6000x4000 JPEG -> 1920x1080 stretch -> BMP" "$(ours BM_PipelineJpegStretch)" "${IM[jpeg]}" "${IM1[jpeg]}"
printf '%-44s %10s %12s %14s\n' "4000x3000 PNG -> 1920x1080 stretch -> BMP" "$(ours BM_PipelinePngStretch)" "${IM[png]}" "${IM1[png]}"
printf '%-44s %10s %12s %14s\n' "2048x2048 BMP -> seamless tile -> BMP (*)" "$(ours BM_PipelineSeamlessTile)" "${IM[tile]}" "${IM1[tile]}"
echo
echo "(*) convert only crops the 1640x1640 middle; it does not blend the cut strips"
echo "    into the opposite edges as the seamless tile does."
echo "convert times include starting the process; Murivane's are in-process."

# The change as the program makes it, beside its references, from this run.
TJ=$(time_ms convert "$J" -filter Triangle -resize '1920x1080!' "BMP3:$O")
TP=$(time_ms convert "$P" -filter Triangle -resize '1920x1080!' "BMP3:$O")
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else printf "-" }'; }
peak() { "$BUILD/tools/change_once" "$@" 1920 1080 ${DATE:-} | sed -n 's/^peak \([0-9]*\) KB.*/\1/p' | awk '{ printf "%.0f", $1 / 1024 }'; }
CJ0=$(ours BM_ChangeJpegStretch) CJD=$(ours BM_ChangeJpegStretchDated) CP0=$(ours BM_ChangePngStretch)
BARE=$(ours BM_BareJpegDecode) WJ=$(ours BM_PipelineJpegStretch) WP=$(ours BM_PipelinePngStretch)
echo
echo "The change through the program's own code (BackgroundChanger), 1920x1080 screen, median ms"
printf '%-30s %9s %11s %11s %9s %12s %9s %9s\n' "case" "Murivane" "whole-pic." "convert -T" "ratio" "bare decode" "ratio" "peak MB"
printf '%-30s %9s %11s %11s %9s %12s %9s %9s\n' "6000x4000 JPEG, defaults" "$CJ0" "$WJ" "$TJ" "$(ratio "$CJ0" "$TJ")" "$BARE" "$(ratio "$CJ0" "$BARE")" "$(peak "$J")"
printf '%-30s %9s %11s %11s %9s %12s %9s %9s\n' "6000x4000 JPEG, date on" "$CJD" "$WJ" "$TJ" "$(ratio "$CJD" "$TJ")" "$BARE" "$(ratio "$CJD" "$BARE")" "$(DATE=--date peak "$J")"
printf '%-30s %9s %11s %11s %9s %12s %9s %9s\n' "4000x3000 PNG, defaults" "$CP0" "$WP" "$TP" "$(ratio "$CP0" "$TP")" "-" "-" "$(peak "$P")"
echo "whole-pic.: the route before decoding to size (full decode, working copy, two-pass resample, write)."
echo "convert -T: convert -filter Triangle -resize 1920x1080! to BMP. Targets: JPEG <= 0.25x convert -T and"
echo "<= 1.2x the bare full decode (libjpeg-turbo, every scanline), peak < 64 MB; PNG <= 0.4x convert -T."
# The later formats: WebP and HEIC through the change, beside convert, and the
# two huge pictures (a phone's 48-megapixel HEIC grid, a 12000x9000 WebP) once,
# for their time and the peak memory of the change.
WB="$WORK/pipeline_4000x3000.webp" HB="$WORK/pipeline_4032x3024.heic"
TW=$(time_ms convert "$WB" -filter Triangle -resize '1920x1080!' "BMP3:$O")
TH=$(time_ms convert "$HB" -filter Triangle -resize '1920x1080!' "BMP3:$O")
CW0=$(ours BM_ChangeWebpStretch) CH0=$(ours BM_ChangeHeicStretch)
MURIVANE_BENCH_DIR="$WORK" "$BUILD/bench/murivane_bench" --benchmark_filter='^BM_Huge' \
    --benchmark_out="$WORK/huge.csv" --benchmark_out_format=csv >/dev/null
huge() { awk -F, -v n="\"$1/real_time\"" '$1 == n { printf "%.1f", $3 }' "$WORK/huge.csv"; }
GB="$WORK/pipeline_8064x6048_grid.heic" HW="$WORK/pipeline_12000x9000.webp"
TG=$(REPEAT=1 time_ms convert "$GB" -filter Triangle -resize '1920x1080!' "BMP3:$O")
TX=$(REPEAT=1 time_ms convert "$HW" -filter Triangle -resize '1920x1080!' "BMP3:$O")
echo
echo "WebP and HEIF through the change (BackgroundChanger), 1920x1080 screen, ms (huge ones: one run)"
printf '%-34s %9s %11s %9s %9s\n' "case" "Murivane" "convert -T" "ratio" "peak MB"
printf '%-34s %9s %11s %9s %9s\n' "4000x3000 WebP, defaults" "$CW0" "$TW" "$(ratio "$CW0" "$TW")" "$(peak "$WB")"
printf '%-34s %9s %11s %9s %9s\n' "4032x3024 HEIC, defaults" "$CH0" "$TH" "$(ratio "$CH0" "$TH")" "$(peak "$HB")"
printf '%-34s %9s %11s %9s %9s\n' "8064x6048 HEIC grid (48 MP)" "$(huge BM_HugeHeicGridStretch)" "$TG" \
    "$(ratio "$(huge BM_HugeHeicGridStretch)" "$TG")" "$(peak "$GB")"
printf '%-34s %9s %11s %9s %9s\n' "12000x9000 WebP" "$(huge BM_HugeWebpStretch)" "$TX" \
    "$(ratio "$(huge BM_HugeWebpStretch)" "$TX")" "$(peak "$HW")"
echo "Targets: WebP <= 0.5x and HEIC <= 0.7x convert -T; peak (32-bit, under Wine) 12000x9000 WebP < 150 MB,"
echo "48 MP HEIC < 250 MB. HEVC decodes on two threads where the bitstream allows (wavefronts): on a busy machine"
echo "the HEIC times come near the single-threaded decode."

M3=$(ours BM_ChangeThreeMonitors) B3=$(ours BM_BareScaledDecodes)
echo
echo "Three monitors (1920x1080 primary, 1080x1920 right, 2560x1440 left), a 6000x4000 JPEG each, median ms"
printf '%-30s %9s %24s %9s\n' "case" "Murivane" "3 bare decodes to scale" "ratio"
printf '%-30s %9s %24s %9s\n' "a picture for each monitor" "$M3" "$B3" "$(ratio "$M3" "$B3")"
echo "bare decodes: libjpeg-turbo alone at the DCT scale each monitor needs. Target <= 1.3x."
P0=$(ours BM_ChangePhoneJpeg/0) P6=$(ours BM_ChangePhoneJpeg/6) P1=$(ours BM_ChangePhoneJpeg/1)
echo
echo "A 4032x3024 phone photograph to a 1920x1080 stretched wallpaper, median ms"
printf '%-44s %9s %9s\n' "case" "Murivane" "ratio"
printf '%-44s %9s %9s\n' "no orientation tag" "$P0" "1.00"
printf '%-44s %9s %9s\n' "the same file tagged 6 (shown 3024x4032)" "$P6" "$(ratio "$P6" "$P0")"
printf '%-44s %9s %9s\n' "that picture stored upright, no tag" "$P1" "$(ratio "$P1" "$P0")"
echo "Tagged against stored upright: $(ratio "$P6" "$P1")x (the cost of turning it; target <= 1.1x)."

# --- Fractal -----------------------------------------------------------------
# Full renders at 1920x1080, all in this one run: the plain scalar
# std::complex<float> Julia loop (same constant, window and escape limit, so
# the same number of orbit steps), the one-point renderer, the renderer on
# one thread and on every processor, and for the transform seeds the renderer
# with the transform left out. ns/step = time / orbit steps.
echo
echo "== Fractal renders, 1920x1080 (one run, medians of ${FRACTAL_REPEAT:-3} interleaved repetitions)"
# Each render runs FRACTAL_REPEAT times, all of them interleaved at random, and
# the medians are compared: the ratios hold when the machine's speed drifts.
"$BUILD/bench/murivane_bench" --benchmark_filter='^BM_Fractal(JuliaBaseline|OnePoint|Render|Untransformed)/' \
    --benchmark_repetitions="${FRACTAL_REPEAT:-3}" --benchmark_enable_random_interleaving=true \
    --benchmark_report_aggregates_only=true \
    --benchmark_out="$WORK/fractal.csv" --benchmark_out_format=csv >/dev/null
awk -F, '
    !/^"BM_Fractal/ { for (i = 1; i <= NF; ++i) if ($i == "iters" || $i == "\"iters\"") col = i; next }
    {
        name = $1; gsub(/"/, "", name)
        if (name !~ /\/real_time_median$/) next
        sub(/\/real_time_median$/, "", name)
        split(name, part, "/"); seed = part[2]
        kind = part[1] == "BM_FractalJuliaBaseline" ? "base" : part[1] == "BM_FractalOnePoint" ? "one" : part[1] == "BM_FractalUntransformed" ? "plain" : (part[3] == "1" ? "t1" : "all")
        ms[seed, kind] = $3; steps[seed] = $col
        if (kind == "plain") next
        if (!(seed in seen)) { seen[seed] = 1; order[++n] = seed }
    }
    END {
        for (i = 2; i <= n; ++i)  # seeds in numeric order (the runs came interleaved)
            for (j = i; j > 1 && order[j - 1] + 0 > order[j] + 0; --j) { t = order[j]; order[j] = order[j - 1]; order[j - 1] = t }
        printf "%-5s %9s %11s %11s %11s %11s %9s %9s %9s\n", "seed", "Msteps", "base ms", "before ms", "1 thr ms", "all ms", "1thr/base", "all/base", "ns/step"
        for (k = 1; k <= n; ++k) {
            s = order[k]
            printf "%-5s %9.1f %11.1f %11.1f %11.1f %11.1f %9.3f %9.3f %9.2f\n", s, steps[s] / 1e6, ms[s, "base"], ms[s, "one"],
                ms[s, "t1"], ms[s, "all"], ms[s, "t1"] / ms[s, "base"], ms[s, "all"] / ms[s, "base"], ms[s, "all"] * 1e6 / steps[s]
            if (s + 0 <= 10) { sb += ms[s, "base"]; s1 += ms[s, "t1"]; sa += ms[s, "all"]; so += ms[s, "one"] }
            else if (s + 0 != 0) trans[s] = ms[s, "all"] / steps[s]
        }
        printf "\nSeeds 1-10, time per orbit step against the plain std::complex<float> loop:\n"
        printf "  before (one-point) %.3f   now on one thread %.3f   now on every processor %.3f   (target 0.3)\n", so / sb, s1 / sb, sa / sb
        plainSteps = 0
        for (k = 1; k <= n; ++k) if (order[k] + 0 <= 10) plainSteps += steps[order[k]]
        printf "Transform seeds on every processor, time per orbit step against seeds 1-10 (target at most 4),\n"
        printf "and against the same seed with its transform left out (the same orbits):\n"
        for (k = 1; k <= n; ++k) {
            s = order[k]
            if (s in trans) printf "  seed %-4s %5.1f ms  %.2fx seeds 1-10   %.2fx untransformed (%.1f ms)\n", s, ms[s, "all"], trans[s] / (sa / plainSteps), ms[s, "all"] / ms[s, "plain"], ms[s, "plain"]
        }
    }' "$WORK/fractal.csv"
