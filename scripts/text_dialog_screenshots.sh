#!/bin/sh
# Makes docs/text-slide-editor.png and docs/text-caption.png: the text
# slide editor and the text caption dialog of the real program under Xvfb,
# in a private home so the user's settings and folders stay untouched.
# Usage: scripts/text_dialog_screenshots.sh [build-dir]
set -eu
build=${1:-build}
docs=$(pwd)/docs
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
. "$(dirname "$0")/private_home.sh"
private_home "$tmp" "$build/bin"
for pair in text:text-slide-editor caption:text-caption; do
    name=${pair%%:*}
    out="$docs/${pair#*:}.png"
    xvfb-run -a -s "-screen 0 1280x900x24" "$build/bin/brindle" --dialog-screenshot "$name" "$out"
    echo "wrote $out"
done
