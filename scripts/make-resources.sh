#!/bin/bash
# Makes the pictures and sounds that ship with Brindle and writes them into
# resources/pictures/ and resources/sounds/, where they are committed:
# the pictures are drawn by make-pictures (scripts/make_pictures.cpp), the
# sounds are synthesized with ffmpeg. Run again after changing either.
# Usage: scripts/make-resources.sh [BUILD]   (BUILD defaults to build)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$top/build}" && pwd)
cmake --build "$build" --target make-pictures
pictures=$top/resources/pictures sounds=$top/resources/sounds
rm -rf "$pictures" && mkdir -p "$pictures" "$sounds"
QT_QPA_PLATFORM=offscreen "$build/bin/make-pictures" "$pictures"
ff() { ffmpeg -nostdin -v error -y -fflags +bitexact "$@"; }
ff -i "$pictures/freeplayG2.png" -flags +bitexact -loop -1 "$pictures/freeplayG2.gif"
rm "$pictures/freeplayG2.png"

# deckopen.wav: a soft whoosh, band-passed noise swelling and fading in a
# fifth of a second, with a faint click at its start.
ff -f lavfi -i "anoisesrc=d=0.22:c=pink:r=22050:a=0.6:seed=7" \
    -af "bandpass=f=1800:width_type=o:w=2,afade=t=in:d=0.08,afade=t=out:st=0.08:d=0.14,volume=0.5" \
    -ac 1 -c:a pcm_s16le -flags +bitexact "$sounds/deckopen.wav"
# camera.wav: a shutter, two short clicks of filtered noise 70 ms apart.
ff -f lavfi -i "anoisesrc=d=0.03:c=white:r=22050:a=0.9:seed=3" \
    -f lavfi -i "anoisesrc=d=0.05:c=white:r=22050:a=0.7:seed=5" \
    -filter_complex "[0]highpass=f=900,afade=t=out:d=0.03,apad=pad_dur=0.04[a];\
[1]highpass=f=600,lowpass=f=6000,afade=t=out:d=0.05[b];[a][b]concat=n=2:v=0:a=1,volume=0.8" \
    -ac 1 -c:a pcm_s16le -flags +bitexact "$sounds/camera.wav"
ls -l "$pictures" "$sounds"
