#!/bin/bash
# Cutting a 60-second 640x480 15 fps MPEG-4 clip (key frame every 15) to a
# range that starts inside a group of frames: Brindle's clip edit control
# (through brindle-cli, and in-process through bench-clip-cut) side by side
# with a stream copy by the ffmpeg program on the same file. The stream
# copy snaps back to the key frame before the start; Brindle's cut is frame
# exact, which costs a short re-encode of the leading frames.
# Usage: clip_cut.sh [CORPUS_DIR] [BUILD_DIR] [RUNS]
# Uses CORPUS_DIR/c1-mpeg4-60s.avi, making that clip alone (with the corpus
# settings) when it is missing.
set -euo pipefail
export LC_ALL=C
here=$(cd "$(dirname "$0")" && pwd)
corpus=${1:-}
build=$(cd "${2:-$here/../build}" && pwd)
runs=${3:-7}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Without a corpus folder the clip is made in the scratch folder; with one,
# a missing clip is made there (the same bytes make_corpus.sh writes).
if [ -z "$corpus" ]; then
    src="$work/c1-mpeg4-60s.avi"
else
    mkdir -p "$corpus"
    src="$corpus/c1-mpeg4-60s.avi"
fi
if [ ! -f "$src" ]; then
    # Clip 1 of make_corpus.sh: a hand-held pan over a Mandelbrot still.
    v="mandelbrot=s=1920x1440:r=15:maxiter=250:inner=period:start_x=-0.7453:start_y=0.1127:start_scale=0.02"
    v+=",loop=loop=-1:size=1,crop=640:480:x='(iw-640)*(0.5+0.5*sin(t/9))':y='(ih-480)*(0.5+0.5*cos(t/7))'[m];"
    g="gradients=s=640x480:n=5:seed=1"
    pal=(2a6f97 f4a261 e9c46a 264653 8ab17d e76f51 9d4edd fefae0)
    for ((k = 0; k < 5; k++)); do g+=":c$k=0x${pal[(1 + 3 * k) % 8]}"; done
    v+="$g:r=15:speed=0.02[g];[m][g]blend=all_mode=screen,format=yuv420p,noise=alls=10:allf=t+u:all_seed=1"
    echo "making $src (about a minute)..." >&2
    ffmpeg -nostdin -v error -y -f lavfi -i "$v" \
        -f lavfi -i "aevalsrc='0.2*sin(2*PI*220*t)*(0.6+0.4*sin(2*PI*0.7*t))+0.04*(random(0)-0.5)':s=22050" \
        -t 60 -c:v mpeg4 -g 15 -sc_threshold 1000000000 -q:v 4 -pix_fmt yuv420p -c:a pcm_s16le \
        -fflags +bitexact -flags +bitexact -threads 1 "$src"
fi

# Frames 187..636: 450 frames (30 s) from two frames after the key frame 185.
first=187
last=636
ss=$(awk -v f=$first 'BEGIN {printf "%.6f", f / 15}')
to=$(awk -v l=$last 'BEGIN {printf "%.6f", (l + 1) / 15}')

now() { date +%s.%N; }
minus() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.6f", a - b}'; }
median() { sort -g | awk '{a[NR] = $1} END {print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2}'; }

cat "$src" >/dev/null  # warm the cache for both
ff_times=()
cli_times=()
inproc_times=()
for ((i = 0; i < runs; i++)); do
    t0=$(now)
    ffmpeg -nostdin -v error -y -ss "$ss" -to "$to" -i "$src" -c copy "$work/ffmpeg.avi"
    t1=$(now)
    ff_times+=("$(minus "$t1" "$t0")")

    cp "$src" "$work/cli.avi"
    t0=$(now)
    "$build/bin/brindle-cli" cut "$work/cli.avi" "$first" "$last" >/dev/null
    t1=$(now)
    cli_times+=("$(minus "$t1" "$t0")")

    cp "$src" "$work/inproc.avi"
    inproc_times+=("$("$build/bin/bench-clip-cut" "$work/inproc.avi" "$first" "$last")")
done

ff=$(printf '%s\n' "${ff_times[@]}" | median)
cli=$(printf '%s\n' "${cli_times[@]}" | median)
inproc=$(printf '%s\n' "${inproc_times[@]}" | median)
frames() { ffprobe -v error -select_streams v -count_packets -show_entries stream=nb_read_packets -of csv=p=0 "$1"; }

echo "cut frames $first..$last of $(basename "$src"), median of $runs runs (seconds)"
printf '%-44s %8.3f  (%s frames)\n' "ffmpeg -ss $ss -to $to -c copy" "$ff" "$(frames "$work/ffmpeg.avi")"
printf '%-44s %8.3f  (%s frames)\n' "brindle-cli cut (process, as ffmpeg)" "$cli" "$(frames "$work/cli.avi")"
printf '%-44s %8.3f\n' "Klipvane Save in process" "$inproc"
awk -v c="$cli" -v f="$ff" 'BEGIN {printf "ratio brindle-cli / ffmpeg: %.2f (target at most 2.00)\n", c / f}'
