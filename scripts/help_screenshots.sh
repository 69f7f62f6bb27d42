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
export HOME="$tmp/home" XDG_CONFIG_HOME="$tmp/config" XDG_CONFIG_DIRS="$tmp/etc" \
    XDG_CACHE_HOME="$tmp/cache" XDG_RUNTIME_DIR="$tmp/run" BRINDLE_MESSAGES=stderr
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" "$tmp/media"
chmod 700 "$XDG_RUNTIME_DIR"
# The player registration the start-up check looks for (see
# scripts/editor_screenshot.sh for why root uses a private mount).
if [ "$(id -u)" = 0 ]; then
    unshare -m sh -c 'mount -t tmpfs none /usr/local/share && "$0" --register' \
        "$build/bin/brindle-player" >/dev/null
else
    "$build/bin/brindle-player" --register >/dev/null
fi
ff() { ffmpeg -nostdin -v error -y "$@"; }
m="$tmp/media"
ff -f lavfi -i "mandelbrot=s=640x480" -frames:v 1 "$m/1 harbour.jpg"
ff -f lavfi -i "testsrc2=s=640x480" -frames:v 1 "$m/2 market.jpg"
ff -f lavfi -i "gradients=s=640x480:c0=0x2040a0:c1=0xf0c060:seed=7" -frames:v 1 "$m/3 dusk.bmp"
ff -f lavfi -i "testsrc=s=320x240:r=15" -t 3 -c:v mpeg4 "$m/4 walk.avi"
BRINDLE_SCREENSHOT=slideMenu xvfb-run -a -s "-screen 0 1280x900x24" \
    "$build/bin/brindle" --screenshot "$pictures/slide-menu.png" "$m"/*
echo "wrote $pictures"
