#!/bin/sh
# Makes the help page's pictures in resources/help/HelpPictures: the editor
# with its slide menu opened from the keyboard, made under Xvfb in a private
# home, and copies of the documentation's pictures of the dialogs (each made
# by its own script in scripts/).
# Usage: scripts/help_screenshots.sh [build-dir]
set -eu
build=${1:-build}
pictures=$(pwd)/resources/help/HelpPictures
mkdir -p "$pictures"
for f in editor text-slide-editor text-caption narration record-video-live scan-result \
    edit-video export-video player upload-plugin; do
    cp "docs/$f.png" "$pictures/$f.png"
done
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
. "$(dirname "$0")/private_home.sh"
private_home "$tmp" "$build/bin"
ff() { ffmpeg -nostdin -v error -y "$@"; }
m="$tmp/media"
ff -f lavfi -i "mandelbrot=s=640x480" -frames:v 1 "$m/1 harbour.jpg"
ff -f lavfi -i "testsrc2=s=640x480" -frames:v 1 "$m/2 market.jpg"
ff -f lavfi -i "gradients=s=640x480:c0=0x2040a0:c1=0xf0c060:seed=7" -frames:v 1 "$m/3 dusk.bmp"
ff -f lavfi -i "testsrc=s=320x240:r=15" -t 3 -c:v mpeg4 "$m/4 walk.avi"
BRINDLE_SCREENSHOT=slideMenu xvfb-run -a -s "-screen 0 1280x900x24" \
    "$build/bin/brindle" --screenshot "$pictures/slide-menu.png" "$m"/*
echo "wrote $pictures"
