#!/bin/bash
# A 10-minute 44100 Hz stereo sound: the audio capture control's waveform
# repaints (600 steps of 100 ms) and its saves to WAV and AVI (bench-sound,
# in process, as the recording dialog hosts it), side by side with the
# ffmpeg program writing the same PCM into WAV and AVI from the same file.
# Usage: sound_save.sh [BUILD_DIR] [RUNS]
set -euo pipefail
export LC_ALL=C
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build}" && pwd)
runs=${2:-5}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

src="$work/ten-minutes.wav"
ffmpeg -nostdin -v error -y -f lavfi \
    -i "aevalsrc='0.3*sin(2*PI*220*t)*(0.6+0.4*sin(2*PI*0.7*t))|0.3*sin(2*PI*330*t)+0.05*(random(0)-0.5)':s=44100" \
    -t 600 -c:a pcm_s16le "$src"

now() { date +%s.%N; }
minus() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.6f", a - b}'; }
median() { sort -g | awk '{a[NR] = $1} END {print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2}'; }
field() { awk -v k="$1" '$1 == k {print $2}' "$2"; }

cat "$src" >/dev/null
declare -A vals
for ((i = 0; i < runs; i++)); do
    t0=$(now)
    ffmpeg -nostdin -v error -y -i "$src" -c:a pcm_s16le "$work/ff.wav"
    t1=$(now)
    ffmpeg -nostdin -v error -y -i "$src" -c:a pcm_s16le "$work/ff.avi"
    t2=$(now)
    vals[ff_wav]+="$(minus "$t1" "$t0") "
    vals[ff_avi]+="$(minus "$t2" "$t1") "
    "$build/bin/bench-sound" "$src" "$work/b.wav" "$work/b.avi" >"$work/out.txt"
    for k in open save_wav save_avi repaint_median_ms repaint_max_ms; do
        vals[$k]+="$(field $k "$work/out.txt") "
    done
done
m() { printf '%s\n' ${vals[$1]} | median; }
echo "10-minute 44100 Hz stereo sound, median of $runs runs"
printf '%-40s %10.3f s\n' "ffmpeg -i in.wav out.wav" "$(m ff_wav)"
printf '%-40s %10.3f s\n' "ffmpeg -i in.wav out.avi" "$(m ff_avi)"
printf '%-40s %10.3f s\n' "control: OpenFile (decode to memory)" "$(m open)"
printf '%-40s %10.3f s\n' "control: Save to WAV" "$(m save_wav)"
printf '%-40s %10.3f s\n' "control: Save to AVI" "$(m save_avi)"
awk -v o="$(m open)" -v w="$(m save_wav)" -v a="$(m save_avi)" -v fw="$(m ff_wav)" -v fa="$(m ff_avi)" \
    'BEGIN {printf "ratio (open + save) / ffmpeg: WAV %.2f, AVI %.2f\n", (o + w) / fw, (o + a) / fa}'
printf '%-40s %10.3f ms (worst %.3f ms, goal < 16)\n' "waveform repaint, median" \
    "$(m repaint_median_ms)" "$(m repaint_max_ms)"
