#!/bin/sh
# Makes docs/record-video-live.png, docs/record-video-recording.png and
# docs/record-video-playback.png: the video recording dialog of the real
# program under Xvfb with the synthetic camera, recording sound from a
# private PulseAudio null sink, in a private home so the user's settings and
# folders stay untouched.
# Usage: scripts/camera_screenshots.sh [build-dir]
set -eu
build=${1:-build}
docs=$(pwd)/docs
tmp=$(mktemp -d)
pulse_pid=
cleanup() {
    [ -n "$pulse_pid" ] && kill "$pulse_pid" 2>/dev/null || true
    rm -rf "$tmp"
}
trap cleanup EXIT
export HOME="$tmp/home" XDG_CONFIG_HOME="$tmp/config" XDG_CONFIG_DIRS="$tmp/etc" \
    XDG_CACHE_HOME="$tmp/cache" XDG_RUNTIME_DIR="$tmp/run" BRINDLE_MESSAGES=stderr \
    BRINDLE_TEST_CAMERA=1
mkdir -p "$HOME" "$XDG_RUNTIME_DIR/pulse"
chmod 700 "$XDG_RUNTIME_DIR"
pulseaudio --daemonize=no --exit-idle-time=-1 -n -F /dev/null --disable-shm=yes \
    --use-pid-file=no --load="module-null-sink sink_name=brindle_null" \
    --load="module-native-protocol-unix auth-anonymous=1 socket=$XDG_RUNTIME_DIR/pulse/native" \
    >"$tmp/pulse.log" 2>&1 &
pulse_pid=$!
export PULSE_SERVER=unix:$XDG_RUNTIME_DIR/pulse/native
for _ in $(seq 50); do
    pactl info >/dev/null 2>&1 && break
    sleep 0.1
done
# The player registration the start-up check looks for, as the set-up does.
if [ "$(id -u)" = 0 ]; then
    unshare -m sh -c 'mount -t tmpfs none /usr/local/share && "$0" --register' \
        "$build/bin/brindle-player" >/dev/null
else
    "$build/bin/brindle-player" --register >/dev/null
fi
for state in live recording playback; do
    out="$docs/record-video-$state.png"
    xvfb-run -a -s "-screen 0 1280x900x24" "$build/bin/brindle" \
        --dialog-screenshot "video-$state" "$out"
    echo "wrote $out"
done
