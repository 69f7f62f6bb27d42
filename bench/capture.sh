#!/bin/bash
# Capturing 640x480 at 30 frames a second from the synthetic camera while
# compressing to MPEG-4 with 8-bit sound (brindle-cli capture through the
# video capture control), against the ffmpeg program making the same kind
# of file from a test source paced in real time (-re) with a tone, at the
# same quantiser as the control's default quality 85 (-q:v 6). Prints
# CPU seconds (user + system), frames written against frames due, and the
# frames each tool itself reports dropped: brindle-cli's capture report
# (frames the camera or the capture lost, and frames dropped to keep the
# video in step with the sound) and ffmpeg's drop_frames progress figure.
# Needs a PulseAudio server (the sound source); the script starts a
# private one with a null sink when PULSE_SERVER is not set.
# Usage: capture.sh [BUILD_DIR] [SECONDS]
set -euo pipefail
export LC_ALL=C
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build}" && pwd)
secs=${2:-30}
work=$(mktemp -d)
pulse_pid=
cleanup() {
    [ -n "$pulse_pid" ] && kill "$pulse_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
if [ -z "${PULSE_SERVER:-}" ]; then
    mkdir -p "$work/pulse" "$work/home"
    chmod 700 "$work"
    XDG_RUNTIME_DIR=$work HOME=$work/home pulseaudio --daemonize=no --exit-idle-time=-1 -n \
        -F /dev/null --disable-shm=yes --use-pid-file=no \
        --load="module-null-sink sink_name=bench_null" \
        --load="module-native-protocol-unix auth-anonymous=1 socket=$work/pulse/native" \
        >"$work/pulse.log" 2>&1 &
    pulse_pid=$!
    export PULSE_SERVER=unix:$work/pulse/native
    for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
fi
due=$((secs * 30))
frames() { ffprobe -v error -select_streams v:0 -count_packets \
    -show_entries stream=nb_read_packets -of csv=p=0 "$1"; }
TIMEFORMAT='%U %S %R'

echo "== brindle-cli capture: ${secs} s, 640x480 at 30 fps, zq5a + 8-bit sound"
t=$( { time BRINDLE_TEST_CAMERA=1 "$build/bin/brindle-cli" capture "$work/brindle.avi" \
    --seconds "$secs" --size 640x480 --rate 30 --compression zq5a >/dev/null \
    2>"$work/brindle.log"; } 2>&1 )
read -r bu bs br <<<"$t"
bf=$(frames "$work/brindle.avi")
# "Captured N frames (D dropped) T sec."
bd=$(sed -n 's/.*Captured [0-9]* frames (\([0-9]*\) dropped).*/\1/p' "$work/brindle.log" | tail -1)

echo "== ffmpeg -re -f lavfi -i testsrc2 ... -c:v mpeg4 out.avi"
t=$( { time ffmpeg -nostdin -v error -y -re -f lavfi -i "testsrc2=size=640x480:rate=30" \
    -re -f lavfi -i "sine=frequency=440:sample_rate=11205" -t "$secs" \
    -c:v mpeg4 -q:v 6 -c:a pcm_u8 -ac 1 -progress "$work/ffmpeg.progress" \
    "$work/ffmpeg.avi"; } 2>&1 )
read -r fu fs fr <<<"$t"
ff=$(frames "$work/ffmpeg.avi")
fd=$(sed -n 's/^drop_frames=//p' "$work/ffmpeg.progress" | tail -1)

printf '%-10s %8s %8s %8s %8s %8s\n' tool "cpu s" "wall s" frames short dropped
printf '%-10s %8.2f %8.2f %8d %8d %8s\n' brindle "$(awk "BEGIN{print $bu+$bs}")" "$br" "$bf" \
    "$((bf < due ? due - bf : 0))" "${bd:-?}"
printf '%-10s %8.2f %8.2f %8d %8d %8s\n' ffmpeg "$(awk "BEGIN{print $fu+$fs}")" "$fr" "$ff" \
    "$((ff < due ? due - ff : 0))" "${fd:-?}"
echo "short: frames due ($due) less frames written; dropped: as each tool reports it"
awk "BEGIN{printf \"cpu ratio brindle/ffmpeg: %.2f (goal <= 1.2)\n\", ($bu+$bs)/($fu+$fs)}"
