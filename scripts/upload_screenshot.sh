#!/bin/sh
# Makes docs/upload-plugin.png: brindle-upload under Xvfb on a publishing
# page served by the tests' local service, a moment after the button was
# pressed (button disabled with the focus frame the press gave it, progress
# bar moving), in a private home.
# Usage: scripts/upload_screenshot.sh [build-dir]
set -eu
build=${1:-build}
top=$(pwd)
out=$top/docs/upload-plugin.png
tmp=$(mktemp -d)
server=
cleanup() {
    [ -n "$server" ] && kill "$server" 2>/dev/null || true
    rm -rf "$tmp"
}
trap cleanup EXIT
export HOME="$tmp/home" XDG_RUNTIME_DIR="$tmp/run"
mkdir -p "$HOME/uploads" "$XDG_RUNTIME_DIR" "$tmp/server"
chmod 700 "$XDG_RUNTIME_DIR"
head -c 200000 /dev/urandom >"$HOME/uploads/project.zip"
printf 'projectfile FILE\r\nContent-Type: application/octet-stream\r\n\r\n' >"$tmp/fields.pfp"
# The service answers after a few seconds, so the bar is still moving.
python3 "$top/tests/plugin/upload_server.py" "$tmp/server" --pfp "$tmp/fields.pfp" \
    --delay 4 >"$tmp/port" &
server=$!
for _ in $(seq 50); do
    [ -s "$tmp/port" ] && break
    sleep 0.1
done
port=$(cut -d' ' -f2 "$tmp/port")
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 800x600x24" "$build/bin/brindle-upload" \
    --page "http://127.0.0.1:$port/publish?projectfile=$HOME/uploads/project.zip&sizefiles=200000" \
    --press --screenshot "$out"
echo "wrote $out"
