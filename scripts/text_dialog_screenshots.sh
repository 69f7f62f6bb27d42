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
export HOME="$tmp/home" XDG_CONFIG_HOME="$tmp/config" XDG_CONFIG_DIRS="$tmp/etc" \
    XDG_CACHE_HOME="$tmp/cache" XDG_RUNTIME_DIR="$tmp/run" BRINDLE_MESSAGES=stderr
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
# The player registration the start-up check looks for, as the set-up does.
if [ "$(id -u)" = 0 ]; then
    unshare -m sh -c 'mount -t tmpfs none /usr/local/share && "$0" --register' \
        "$build/bin/brindle-player" >/dev/null
else
    "$build/bin/brindle-player" --register >/dev/null
fi
for pair in text:text-slide-editor caption:text-caption; do
    name=${pair%%:*}
    out="$docs/${pair#*:}.png"
    xvfb-run -a -s "-screen 0 1280x900x24" "$build/bin/brindle" --dialog-screenshot "$name" "$out"
    echo "wrote $out"
done
