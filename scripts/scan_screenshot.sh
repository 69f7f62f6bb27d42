#!/bin/sh
# Makes docs/scan-result.png: the scan result dialog under Xvfb with a page
# scanned from SANE's test device (its colour pattern at 150 dpi), in a
# private home so the user's settings and folders stay untouched.
# Usage: scripts/scan_screenshot.sh [build-dir]
set -eu
build=${1:-build}
top=$(pwd)
out=$top/docs/scan-result.png
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export HOME="$tmp/home" XDG_CONFIG_HOME="$tmp/config" XDG_CONFIG_DIRS="$tmp/etc" \
    XDG_CACHE_HOME="$tmp/cache" XDG_RUNTIME_DIR="$tmp/run" BRINDLE_MESSAGES=stderr \
    SANE_CONFIG_DIR="$tmp/sane"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" "$SANE_CONFIG_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
cp "$top"/tests/components/imaging/sane/dll.conf "$top"/tests/components/imaging/sane/test.conf \
    "$SANE_CONFIG_DIR"
# The player registration the start-up check looks for, as the set-up does.
if [ "$(id -u)" = 0 ]; then
    unshare -m sh -c 'mount -t tmpfs none /usr/local/share && "$0" --register' \
        "$build/bin/brindle-player" >/dev/null
else
    "$build/bin/brindle-player" --register >/dev/null
fi
xvfb-run -a -s "-screen 0 1280x900x24" "$build/bin/brindle" --scan-screenshot "$out"
echo "wrote $out"
