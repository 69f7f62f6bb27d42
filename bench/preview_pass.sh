#!/bin/bash
# The whole preview pass of a 40-slide project made from the corpus (34
# pictures, 6 clips, 10 narrations, the background track), cold and warm,
# with bench-preview-pass, side by side in one run with the same scales and
# encodes done by the ffmpeg command-line tool: the pictures fitted into
# 320x240 JPEGs one process each, the sound mix into audios.rm, the clips
# into rv20 at the video region's size. Prints the seconds of each phase.
# Usage: bench/preview_pass.sh CORPUS BUILD
mkdir -p "${1:?usage: preview_pass.sh CORPUS BUILD}"
source "$(dirname "$0")/common.sh" preview_pass bench-preview-pass "$@"
export LC_ALL=C
[ -f "$corpus/background.wav" ] || "$(dirname "$0")/make_corpus.sh" "$corpus"
cat "$corpus"/* >/dev/null  # warm the cache for both

# The encoders' library warnings go to a log, shown when the driver fails.
"$tool" "$corpus" "$work" 2>"$work/brindle.log" | tee "$work/brindle.txt" ||
    { tail -20 "$work/brindle.log" >&2; exit 1; }
read -r _ cold warm cpics audio video wpics < <(grep '^RESULT' "$work/brindle.txt")

# The same work with ffmpeg, from the plan the driver wrote.
FF="ffmpeg -nostdin -v error -y"  # errors only, as the encoders log
ref=$work/ffmpeg
mkdir -p "$ref"
plan=$work/plan.txt
total=$(awk '$1 == "total" {print $2}' "$plan")
vbr=$(awk '$1 == "videobitrate" {print $2}' "$plan")
gop=$(awk '$1 == "gop" {print $2}' "$plan")
read -r qmin qmax < <(awk '$1 == "q" {print $2, $3}' "$plan")
read -r scodec srate sbr < <(awk '$1 == "sound" {print $2, $3, $4}' "$plan")
pictures() {
    local n=0
    while read -r kind src _; do
        [ "$kind" = picture ] || continue
        n=$((n + 1))
        $FF -i "$src" -frames:v 1 -vf "scale=320:240:force_original_aspect_ratio=decrease" \
            -q:v 5 "$ref/pix$n.jpg"
    done <"$plan"
}
mix() {
    local args=() graph="" labels="" k=0 kind src start
    while read -r kind src start; do
        case $kind in
        narration | clip)
            args+=(-i "$src")
            graph+="[$k:a]aresample=22050,aformat=channel_layouts=mono,adelay=$start,volume=0.75[a$k];"
            labels+="[a$k]"
            k=$((k + 1))
            ;;
        background)
            args+=(-i "$src")
            graph+="[$k:a]aresample=22050,aformat=channel_layouts=mono,volume=0.25[a$k];"
            labels+="[a$k]"
            k=$((k + 1))
            ;;
        esac
    done <"$plan"
    local end
    end=$(calc "$total / 1000")
    graph+="${labels}amix=inputs=$k:duration=longest:normalize=0,apad=whole_dur=$end,atrim=end=$end"
    local codec=(-c:a "$scodec")
    [ "$scodec" = ac3 ] && codec+=(-b:a "$sbr")
    $FF "${args[@]}" -filter_complex "$graph" -vn -ar "$srate" "${codec[@]}" -f rm "$ref/audios.rm"
}
clips() {
    local n=0
    while read -r kind src _; do
        [ "$kind" = clip ] || continue
        n=$((n + 1))
        $FF -i "$src" -an -vf scale=176:132 -c:v rv20 -b:v "$vbr" -g "$gop" \
            -qmin "$qmin" -qmax "$qmax" -f rm "$ref/video$n.rm"
    done <"$plan"
}
fpics=$(seconds pictures)
faudio=$(seconds mix)
fvideo=$(seconds clips)
ftotal=$(calc "$fpics + $faudio + $fvideo")

echo
printf '%-30s %8s %8s %8s %8s\n' "seconds" "cold" "warm" "ffmpeg" "cold/ff"
printf '%-30s %8.2f %8.2f %8.2f %8.2f\n' "picture preparation" "$cpics" "$wpics" "$fpics" \
    "$(calc "$cpics / $fpics")"
printf '%-30s %8.2f %8.2f %8.2f %8.2f\n' "sound mix" "$audio" "$audio" "$faudio" \
    "$(calc "$audio / $faudio")"
printf '%-30s %8.2f %8s %8.2f %8.2f\n' "clip encodes" "$video" "-" "$fvideo" \
    "$(calc "$video / $fvideo")"
printf '%-30s %8.2f %8.2f %8.2f %8.2f\n' "work (no pauses)" "$(calc "$cpics + $audio + $video")" \
    "$(calc "$wpics + $audio")" "$ftotal" "$(calc "($cpics + $audio + $video) / $ftotal")"
printf '%-30s %8.2f %8.2f %8s\n' "whole pass, with the pauses" "$cold" "$warm" "-"
