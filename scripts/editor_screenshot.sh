#!/bin/sh
# Makes docs/editor.png: the editor under Xvfb with seven slides (six
# pictures and a clip made by the ffmpeg program), in a private home so the
# user's settings and folders stay untouched.
# Usage: scripts/editor_screenshot.sh [build-dir]
set -eu
build=${1:-build}
out=$(pwd)/docs/editor.png
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
. "$(dirname "$0")/private_home.sh"
private_home "$tmp" "$build/bin"
ff() { ffmpeg -nostdin -v error -y "$@"; }
m="$tmp/media"
ff -f lavfi -i "mandelbrot=s=640x480" -frames:v 1 "$m/1 harbour.jpg"
ff -f lavfi -i "testsrc2=s=640x480" -frames:v 1 "$m/2 market.jpg"
ff -f lavfi -i "gradients=s=640x480:c0=0x2040a0:c1=0xf0c060:seed=7" -frames:v 1 "$m/3 dusk.bmp"
ff -f lavfi -i "cellauto=s=640x480:rule=110" -frames:v 1 "$m/4 pattern.gif"
ff -f lavfi -i "testsrc=s=320x240:r=15" -t 3 -c:v mpeg4 "$m/5 walk.avi"
ff -f lavfi -i "smptehdbars=s=640x360" -frames:v 1 "$m/6 bars.jpg"
ff -f lavfi -i "life=s=480x640:mold=10:r=1:ratio=0.2" -frames:v 30 -update 1 "$m/7 garden.jpg"
xvfb-run -a -s "-screen 0 1280x900x24" "$build/bin/brindle" --screenshot "$out" "$m"/*
echo "wrote $out"
