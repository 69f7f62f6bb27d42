#!/bin/sh
# Makes docs/narration.png: the audio recording dialog of the real program
# under Xvfb, recording a spoken-like signal that plays into the null sink
# of a private PulseAudio server, in a private home so the user's settings,
# folders and sound server stay untouched.
# Usage: scripts/narration_screenshot.sh [build-dir]
set -eu
build=${1:-build}
out=$(pwd)/docs/narration.png
tmp=$(mktemp -d)
pulse_pid=
player_pid=
cleanup() {
    [ -n "$player_pid" ] && kill "$player_pid" 2>/dev/null || true
    [ -n "$pulse_pid" ] && kill "$pulse_pid" 2>/dev/null || true
    rm -rf "$tmp"
}
trap cleanup EXIT
. "$(dirname "$0")/private_home.sh"
private_home "$tmp" "$build/bin"
mkdir -p "$XDG_RUNTIME_DIR/pulse"
pulseaudio --daemonize=no --exit-idle-time=-1 -n -F /dev/null --disable-shm=yes \
    --use-pid-file=no --load="module-null-sink sink_name=brindle_null" \
    --load="module-native-protocol-unix auth-anonymous=1 socket=$XDG_RUNTIME_DIR/pulse/native" \
    >"$tmp/pulse.log" 2>&1 &
pulse_pid=$!
export PULSE_SERVER="unix:$XDG_RUNTIME_DIR/pulse/native"
for _ in $(seq 50); do
    pactl info >/dev/null 2>&1 && break
    sleep 0.1
done
# Syllables: a voiced tone whose loudness rises and falls three times a second.
ffmpeg -nostdin -v error -y -f lavfi \
    -i "aevalsrc='(0.55*sin(2*PI*150*t)+0.25*sin(2*PI*300*t+1))*pow(abs(sin(2*PI*1.6*t)),1.5)*(0.6+0.4*sin(2*PI*0.4*t))':s=22050" \
    -t 10 "$tmp/voice.wav"
paplay "$tmp/voice.wav" &
player_pid=$!
sleep 0.3
xvfb-run -a -s "-screen 0 1280x900x24" "$build/bin/brindle" --dialog-screenshot narration "$out"
echo "wrote $out"
