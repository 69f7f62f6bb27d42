#!/bin/sh
# Makes docs/player.png (the player window on the sample project, as the
# Preview command starts it) and docs/export-video.png (the size choice of
# File > Export Video) under Xvfb, in a private home.
# Usage: scripts/export_screenshots.sh [build-dir]
set -eu
build=$(cd "${1:-build}" && pwd)
docs=$(pwd)/docs
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
. "$(dirname "$0")/private_home.sh"
private_home "$tmp" "$build/bin"
"$build/bin/brindle-cli" sample "$tmp/Sample.bqx"
preview=$("$build/bin/brindle-cli" present "$tmp/Sample.bqx" | tail -1)

# The player a few seconds into the first picture, grabbed from the screen.
cat >"$tmp/grab.sh" <<GRAB
"$build/bin/brindle-player" "$preview/preView.smi" &
pid=\$!
sleep 9
ffmpeg -nostdin -v error -y -f x11grab -video_size 640x480 -i "\$DISPLAY+0,0" -frames:v 1 \
    "$tmp/screen.png"
kill \$pid
GRAB
xvfb-run -a -s "-screen 0 1024x768x24" sh "$tmp/grab.sh"
# The window sits in the top left corner of the empty screen: the stage
# (330x270) and the control bar under it.
ffmpeg -nostdin -v error -y -i "$tmp/screen.png" -vf crop=330:301:0:0 "$docs/player.png"

xvfb-run -a -s "-screen 0 1280x900x24" "$build/bin/brindle" --dialog-screenshot export \
    "$docs/export-video.png"
echo "wrote $docs/player.png $docs/export-video.png"
