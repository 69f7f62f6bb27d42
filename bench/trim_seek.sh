#!/bin/bash
# Seeking the clip edit dialog's picture with the trim slider across a
# 10-minute 640x480 15 fps MPEG-4 clip (key frame every 15): 100 random
# frames, the time from the slider's pointer event until the frame is
# painted, in one process (bench-trim-seek), beside `ffmpeg -ss T -i clip
# -frames:v 1` for the same frames (one process each, as a user would get a
# single frame otherwise). The first five pictures shown are checked against
# ffmpeg's by PSNR.
# Usage: trim_seek.sh [CORPUS_DIR] [BUILD_DIR] [SEED]
# Uses CORPUS_DIR/trim-mpeg4-600s.avi, making it (about a minute) when missing.
set -euo pipefail
export LC_ALL=C
here=$(cd "$(dirname "$0")" && pwd)
corpus=${1:-}
build=$(cd "${2:-$here/../build}" && pwd)
seed=${3:-19}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
if [ -z "$corpus" ]; then
    src="$work/trim-mpeg4-600s.avi"
else
    mkdir -p "$corpus"
    src="$corpus/trim-mpeg4-600s.avi"
fi
if [ ! -f "$src" ]; then
    echo "making $src (about a minute)..." >&2
    ffmpeg -nostdin -v error -y -f lavfi -i "testsrc2=s=640x480:r=15,noise=alls=8:allf=t" \
        -t 600 -c:v mpeg4 -g 15 -sc_threshold 1000000000 -q:v 4 -pix_fmt yuv420p \
        -fflags +bitexact -flags +bitexact "$src"
fi
fps=15
frames=9000

awk -v s="$seed" -v n="$frames" 'BEGIN {srand(s); for (i = 0; i < 100; i++) print int(rand() * n)}' \
    >"$work/positions"
mkdir -p "$work/shown"
cat "$src" >/dev/null  # warm the cache for both
BENCH_DUMP_DIR="$work/shown" "$build/bin/bench-trim-seek" "$src" "$work/positions" >"$work/brindle"

median() { sort -g | awk '{a[NR] = $1} END {print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2}'; }
p90() { sort -g | awk '{a[NR] = $1} END {print a[int(0.9 * (NR - 1)) + 1]}'; }
ff_times=()
while read -r f; do
    # A time a quarter frame before the frame's start: ffmpeg shows the first
    # frame at or after it, which is frame f.
    t=$(awk -v f="$f" -v r=$fps 'BEGIN {t = (f - 0.25) / r; if (t < 0) t = 0; printf "%.6f", t}')
    t0=$(date +%s.%N)
    ffmpeg -nostdin -v error -y -ss "$t" -i "$src" -frames:v 1 "$work/ff-$f.png"
    t1=$(date +%s.%N)
    ff_times+=("$(awk -v a="$t0" -v b="$t1" 'BEGIN {printf "%.3f", (b - a) * 1000}')")
done <"$work/positions"

checked=0
for shown in "$work"/shown/*.png; do
    f=$(basename "$shown" .png)
    psnr=$(ffmpeg -nostdin -v info -i "$shown" -i "$work/ff-$f.png" -lavfi psnr -f null - 2>&1 |
        sed -n 's/.*average:\([0-9.inf]*\).*/\1/p')
    echo "frame $f: PSNR against ffmpeg's picture ${psnr} dB"
    checked=$((checked + 1))
done

read -r _ b_med _ b_p90 < <(tail -n 1 "$work/brindle")
ff_med=$(printf '%s\n' "${ff_times[@]}" | median)
ff_p90=$(printf '%s\n' "${ff_times[@]}" | p90)
echo "100 random seeks in $(basename "$src") (${frames} frames), milliseconds"
printf '%-48s median %8.2f  p90 %8.2f\n' "slider event -> frame painted (in process)" "$b_med" "$b_p90"
printf '%-48s median %8.2f  p90 %8.2f\n' "ffmpeg -ss T -i clip -frames:v 1 (a process)" "$ff_med" "$ff_p90"
echo "goal: in-process median under 50 ms; $checked pictures checked"
