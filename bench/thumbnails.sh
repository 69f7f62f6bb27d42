#!/bin/bash
# Makes a JPEG thumbnail fitting 320 x 240 of each of the corpus's 40
# pictures, with the editor's MakeThumbnail (bench-thumbnails: one picture at
# a time as the editor does, and two processes on half the pictures each)
# and with ImageMagick's
# `convert -thumbnail 320x240` (one process per picture, one after another
# and two at a time), side by side in one run. Prints the median seconds.
# Usage: thumbnails.sh CORPUS BUILD [RUNS]   (RUNS defaults to 3)
source "$(dirname "$0")/common.sh" thumbnails bench-thumbnails "$@"
# The real ImageMagick (scripts/bench-packages.txt), not another convert
# that may come first on the PATH.
convert=/usr/bin/convert
[ -x "$convert" ] || { echo "needs ImageMagick: apt-get install imagemagick" >&2; exit 1; }

mapfile -t pictures < <(grep -E '^p[0-9]+' "$corpus/toc.txt" | sed "s|^|$corpus/|")
cat "${pictures[@]}" >/dev/null  # warm the cache

imagemagick() {  # imagemagick JOBS OUTDIR
    printf '%s\n' "${pictures[@]}" |
        xargs -P "$1" -I{} sh -c 'f={}; b=${f##*/}; exec "$0" "$f" -thumbnail 320x240 "$1/${b%.*}.jpg"' \
            "$convert" "$2"
}

two_tools() {  # two_tools OUTDIR: two bench-thumbnails, half the pictures each
    local half=$(((${#pictures[@]} + 1) / 2))
    "$tool" "$1" "${pictures[@]:0:half}" &
    local first=$!
    "$tool" "$1" "${pictures[@]:half}"
    wait "$first"
}

mkdir -p "$work/im1" "$work/im2" "$work/b1" "$work/b2"
for ((r = 1; r <= runs; r++)); do
    seconds imagemagick 1 "$work/im1" >>"$work/t-im1"
    seconds "$tool" "$work/b1" "${pictures[@]}" >>"$work/t-b1"
    seconds imagemagick 2 "$work/im2" >>"$work/t-im2"
    seconds two_tools "$work/b2" >>"$work/t-b2"
done

# Every thumbnail must fit the box and match ImageMagick's size within a pixel.
for f in "$work"/b1/*.jpg; do
    read -r w h < <(identify -format '%w %h\n' "$f")
    read -r iw ih < <(identify -format '%w %h\n' "$work/im1/${f##*/}")
    if ((w > 320 || h > 240 || w - iw > 1 || iw - w > 1 || h - ih > 1 || ih - h > 1)); then
        echo "thumbnail ${f##*/} is ${w}x$h, ImageMagick's ${iw}x$ih" >&2
        exit 1
    fi
done

im1=$(median <"$work/t-im1") b1=$(median <"$work/t-b1")
im2=$(median <"$work/t-im2") b2=$(median <"$work/t-b2")
printf '%d pictures, %d runs, median seconds\n' "${#pictures[@]}" "$runs"
printf '%-44s %7.2f s\n' "convert -thumbnail 320x240, one at a time" "$im1"
printf '%-44s %7.2f s   ratio %.2f\n' "bench-thumbnails, one thread" "$b1" "$(calc "$b1 / $im1")"
printf '%-44s %7.2f s\n' "convert -thumbnail 320x240, two at a time" "$im2"
printf '%-44s %7.2f s   ratio %.2f\n' "bench-thumbnails, two processes" "$b2" "$(calc "$b2 / $im2")"
