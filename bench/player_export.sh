#!/bin/bash
# brindle-player --export of a 40-slide presentation made from the corpus
# (pictures fitted into 320x240 as the preview pass makes them, narrations
# mixed into audios.rm, a RealPix fade-in per slide and a caption per slide),
# side by side with an ffmpeg slideshow encode of the same pictures and
# sound to MP4 with the same encoder settings, in one run.
# Usage: bench/player_export.sh CORPUS BUILD [RUNS]
#   RUNS (default 1): both are timed that many times, the medians printed;
#   the last line, "export-medians S KB S KB", gives Brindle's and ffmpeg's
#   median seconds and peak resident size for run-all.sh.
set -euo pipefail
export LC_ALL=C
corpus=$(cd "${1:?usage: player_export.sh CORPUS BUILD [RUNS]}" && pwd)
player=$(cd "${2:?usage: player_export.sh CORPUS BUILD [RUNS]}" && pwd)/bin/brindle-player
runs=${3:-1}
work=$(mktemp -d)
[ -n "${KEEP:-}" ] || trap 'rm -rf "$work"' EXIT
cd "$work"
FF="ffmpeg -nostdin -v error -y"

mapfile -t pictures < <(grep -E '^p[0-9]+.*\.(jpg|bmp|gif)$' "$corpus/toc.txt" | sort | head -40)
[ ${#pictures[@]} -eq 40 ] || { echo "the corpus has ${#pictures[@]} pictures, not 40" >&2; exit 1; }

# Slide i lasts 10 s, or as long as its narration (slides 1, 5, ... 37 carry
# narrations n01..n10).
starts=()
durations=()
t=0
mix_inputs=()
mix_filters=""
k=0
for i in $(seq 1 40); do
    d=10000
    if (((i - 1) % 4 == 0)); then
        k=$((k + 1))
        n=$(printf n%02d.wav "$k")
        nd=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$corpus/$n")
        nd=$(printf '%.0f' "$(echo "$nd * 1000" | bc)")
        ((nd > d)) && d=$nd
        mix_inputs+=(-i "$corpus/$n")
        mix_filters+="[$((k - 1)):a]adelay=${t}:all=1[a$k];"
    fi
    starts+=("$t")
    durations+=("$d")
    t=$((t + d))
done
total=$t
secs() { echo "$1" | awk '{ s = $1 / 1000; printf (s == int(s)) ? "%d" : "%g", s }'; }

echo "preparing $((total / 1000)) s of presentation in $work"
for i in $(seq 1 40); do
    $FF -i "$corpus/${pictures[i - 1]}" -frames:v 1 \
        -vf "scale=320:240:force_original_aspect_ratio=decrease" -q:v 5 "pix$i.jpg"
done
labels=$(seq 1 "$k" | sed 's/^/[a/; s/$/]/' | tr -d '\n')
$FF "${mix_inputs[@]}" -filter_complex "${mix_filters}${labels}amix=inputs=$k:normalize=0,atrim=end=$(secs "$total")" \
    -ar 8000 -ac 1 -c:a real_144 audios.rm

{
    printf '<imfl>\r\n<head\r\n  timeformat="dd:hh:mm:ss.xyz"\r\n  duration="%s"\r\n' "$(secs "$total")"
    printf '  bitrate="10000"\r\n  width="320"\r\n  height="240"\r\n  aspect="True"\r\n/>\r\n'
    for i in $(seq 1 40); do printf '<image handle="%d" name="pix%d.jpg"/>\r\n' "$i" "$i"; done
    printf '\r\n'
    for i in $(seq 1 40); do
        printf '<fadein start="%s" duration="2" target="%d"/>\r\n' "$(secs "${starts[i - 1]}")" "$i"
    done
    printf '</imfl>\r\n'
} >allpix.rp
{
    printf '<window  bgcolor="black" color="white" duration="%s">\r\n' "$(secs "$total")"
    printf '<font  color="white" face="Arial" size="+1">\r\n'
    for i in $(seq 1 40); do
        printf '<time begin="%s"/><clear/><center><b>Slide %d on the harbour </b></center>\r\n' \
            "$(secs "${starts[i - 1]}")" "$i"
    done
    printf '</window>\r\n'
} >captions.rt
cat >preView.smi <<SMIL
<smil>
<head>
 <layout>
  <root-layout background-color="black" width="330" height="270" />
  <region id="imageregion" top="5" left="5" width="320" height="240" fit="meet" z-index="0" />
  <region id="capsregion" top="245" left="5" width="320" height="20" center="1" />
  <region id="avcaption" top="265" left="5" width="1" height="1" center="1" z-index="-1" />
 </layout>
</head>
<body>
<par>
<audio id="audioTrack" src="audios.rm" region="avcaption" />
<textstream id="txtCaptions" src="captions.rt" region="capsregion" fill="freeze" />
<ref id="images" src="allpix.rp" region="imageregion" fill="freeze" />
</par>
</body>
</smil>
SMIL
# The reference slideshow: the same pictures for the same times.
for i in $(seq 1 40); do
    printf "file 'pix%d.jpg'\nduration %s\n" "$i" "$(secs "${durations[i - 1]}")"
done >slides.txt
echo "file 'pix40.jpg'" >>slides.txt

for ((r = 1; r <= runs; r++)); do
    /usr/bin/time -f "%e %M" -o brindle.t -a "$player" --export brindle.mp4 preView.smi \
        2>/dev/null >player.log
    /usr/bin/time -f "%e %M" -o ffmpeg.t -a $FF -f concat -safe 0 -i slides.txt -i audios.rm \
        -vf "fps=25,pad=330:270:(ow-iw)/2:5+(240-ih)/2,format=yuv420p" \
        -c:v libx264 -preset veryfast -crf 23 -c:a aac -b:a 128k -ar 44100 -ac 2 \
        -t "$(secs "$total")" ffmpeg.mp4
done
cat player.log
median() { awk '{print $1}' "$1" | sort -g |
    awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }
peak() { awk '$2 > m {m = $2} END {print m}' "$1"; }

frames=$(sed -n 's/^Exported \([0-9]*\) frames.*/\1/p' player.log)
render_fps=$(sed -n 's/.*rendering \([0-9.]*\) frames per second.*/\1/p' player.log)
awk -v p="$(median brindle.t)" -v q="$(median ffmpeg.t)" -v f="$frames" -v r="$render_fps" \
    -v pk="$(peak brindle.t)" -v qk="$(peak ffmpeg.t)" -v n="$runs" \
    -v d1="$(ffprobe -v error -show_entries format=duration -of csv=p=0 brindle.mp4)" \
    -v d2="$(ffprobe -v error -show_entries format=duration -of csv=p=0 ffmpeg.mp4)" 'BEGIN {
    printf "%-44s %8s %8s %8s\n", "40 slides -> MP4 (330x270, 25 fps, x264 veryfast)", "seconds", "length", "peak MB"
    printf "%-44s %8.2f %8.1f %8d   (%d frames, %.0f fps overall, rendering %s fps)\n", \
        "brindle-player --export", p, d1, pk / 1024, f, f / p, r
    printf "%-44s %8.2f %8.1f %8d\n", "ffmpeg concat slideshow", q, d2, qk / 1024
    printf "%-44s %8.2f   (median of %d; target at most 0.6)\n", "ratio", p / q, n
    printf "export-medians %s %s %s %s\n", p, pk, q, qk
}'
