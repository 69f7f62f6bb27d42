#!/bin/bash
# File > Export Video's work on the 40-slide project of preview_pass.sh
# (34 pictures, 6 clips, 10 narrations, the background track), timed in
# bench-preview-pass after a warm preview pass as a user exports after a
# Preview: the pass again (clips already encoded) and the render by
# brindle-player --export into a 330x270 MP4. Side by side, in the same run,
# the same show made in one ffmpeg command: every slide fitted into 320x240
# in the 330x270 frame for its time, the narrations, the clips' sound and
# the background mixed, x264 veryfast and AAC as the exporter encodes.
# Usage: bench/editor_export.sh CORPUS BUILD
mkdir -p "${1:?usage: editor_export.sh CORPUS BUILD}"
source "$(dirname "$0")/common.sh" editor_export bench-preview-pass "$@"
export LC_ALL=C
[ -f "$corpus/background.wav" ] || "$(dirname "$0")/make_corpus.sh" "$corpus"
cat "$corpus"/* >/dev/null  # warm the cache for both

"$tool" "$corpus" "$work" "$work/brindle.mp4" 2>"$work/brindle.log" | tee "$work/brindle.txt" ||
    { tail -20 "$work/brindle.log" >&2; exit 1; }
exported=$(awk '$1 == "EXPORT" {print $2}' "$work/brindle.txt")

plan=$work/plan.txt
total=$(awk '$1 == "total" {print $2}' "$plan")
inputs=() video="" labels="" audio="" alabels="" k=0 n=0 m=0 at=0
while read -r kind a b c; do
    case $kind in
    slide)
        d=$(calc "$c / 1000")
        if [ "$a" = picture ]; then
            inputs+=(-i "$b")  # one frame, held by tpad below
        else
            inputs+=(-t "$d" -i "$b")
        fi
        video+="[$k:v]scale=320:240:force_original_aspect_ratio=decrease,"
        video+="pad=330:270:(ow-iw)/2:5+(240-ih)/2,fps=25,format=yuv420p,setsar=1,"
        video+="trim=duration=$d,tpad=stop_mode=clone:stop_duration=$d,trim=duration=$d[v$n];"
        labels+="[v$n]"
        if [ "$a" = clip ]; then  # the clip's own sound, from the same input
            audio+="[$k:a]aresample=44100,adelay=$at:all=1[a$m];"
            alabels+="[a$m]"
            m=$((m + 1))
        fi
        at=$((at + c))
        n=$((n + 1)) k=$((k + 1))
        ;;
    narration | background)
        inputs+=(-i "$a")
        audio+="[$k:a]aresample=44100,adelay=${b:-0}:all=1[a$m];"
        alabels+="[a$m]"
        m=$((m + 1)) k=$((k + 1))
        ;;
    esac
done <"$plan"
end=$(calc "$total / 1000")
graph="${video}${labels}concat=n=$n:v=1:a=0[v];${audio}${alabels}amix=inputs=$m:normalize=0,"
graph+="apad=whole_dur=$end,atrim=end=$end[a]"
t0=$(date +%s.%N)
ffmpeg -nostdin -v error -y "${inputs[@]}" -filter_complex "$graph" -map "[v]" -map "[a]" \
    -c:v libx264 -preset veryfast -crf 23 -c:a aac -b:a 128k -ar 44100 -ac 2 -t "$end" \
    "$work/ffmpeg.mp4"
t1=$(date +%s.%N)
reference=$(calc "$t1 - $t0")

length() { ffprobe -v error -show_entries format=duration -of csv=p=0 "$1"; }
echo
printf '%-44s %8s %8s\n' "40 slides -> MP4 (330x270, 25 fps, x264)" "seconds" "length"
printf '%-44s %8.2f %8.1f\n' "Export Video (warm pass + render)" "$exported" \
    "$(length "$work/brindle.mp4")"
printf '%-44s %8.2f %8.1f\n' "ffmpeg, one command" "$reference" "$(length "$work/ffmpeg.mp4")"
printf '%-44s %8.2f\n' "ratio" "$(calc "$exported / $reference")"
