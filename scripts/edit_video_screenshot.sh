#!/bin/sh
# Makes docs/edit-video.png (the clip edit dialog on a clip slide) and
# docs/trim-slider.png (the trim slider at three widths), plus
# docs/trim-slider-2x.png at a screen scale of 2, from the real program
# under Xvfb, in a private home so the user's settings stay untouched.
# Usage: scripts/edit_video_screenshot.sh [build-dir]
set -eu
build=${1:-build}
docs=$(pwd)/docs
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
. "$(dirname "$0")/private_home.sh"
private_home "$tmp" "$build/bin"
clip="$tmp/media/walk.avi"
ffmpeg -nostdin -v error -y -f lavfi -i "testsrc2=s=320x240:r=15" -t 8 -c:v mpeg4 -g 15 "$clip"
run() { xvfb-run -a -s "-screen 0 2560x1800x24" "$build/bin/brindle" --screenshot "$@"; }
BRINDLE_SCREENSHOT=editVideo run "$docs/edit-video.png" "$clip"
BRINDLE_SCREENSHOT=Vasklin run "$docs/trim-slider.png"
BRINDLE_SCREENSHOT=Vasklin QT_SCALE_FACTOR=2 run "$docs/trim-slider-2x.png"
echo "wrote $docs/edit-video.png, trim-slider.png, trim-slider-2x.png"
