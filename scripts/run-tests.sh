#!/usr/bin/env bash
# Runs every test of each build folder given, with the services the device
# tests need: a private PulseAudio server with a null sink, stopped at the end.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export LSAN_OPTIONS=suppressions=$top/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

runtime=$(mktemp -d)
chmod 700 "$runtime"
pulse_pid=
stop_services() {
    if [ -n "$pulse_pid" ]; then
        kill "$pulse_pid" 2>/dev/null || true
        wait "$pulse_pid" 2>/dev/null || true
    fi
    rm -rf "$runtime"
}
trap stop_services EXIT

# PulseAudio: anonymous access on a socket of our own, so tests that move
# HOME still reach it; no autospawned or system server is touched.
if command -v pulseaudio >/dev/null; then
    mkdir -p "$runtime/pulse" "$runtime/home"
    XDG_RUNTIME_DIR=$runtime HOME=$runtime/home pulseaudio --daemonize=no --exit-idle-time=-1 -n \
        -F /dev/null --disable-shm=yes --use-pid-file=no \
        --load="module-null-sink sink_name=brindle_null" \
        --load="module-native-protocol-unix auth-anonymous=1 socket=$runtime/pulse/native" \
        >"$runtime/pulse.log" 2>&1 &
    pulse_pid=$!
    export PULSE_SERVER=unix:$runtime/pulse/native
    for _ in $(seq 50); do
        pactl info >/dev/null 2>&1 && break
        sleep 0.1
    done
    if pactl info >/dev/null 2>&1; then
        echo "== PulseAudio null sink at $PULSE_SERVER"
    else
        echo "== PulseAudio did not start; sound tests will be skipped" >&2
        cat "$runtime/pulse.log" >&2 || true
    fi
fi

status=0
failed=()
for dir in "$@"; do
    echo "== tests in $dir"
    started=$SECONDS
    if ! ctest --test-dir "$dir" --output-on-failure -j"$(nproc)"; then
        status=1
        failed+=("$dir")
    fi
    echo "== tests in $dir took $((SECONDS - started)) s; the slowest (seconds):"
    awk 'NF == 3 { printf "%8.1f  %s\n", $3, $1 }' "$dir/Testing/Temporary/CTestCostData.txt" 2>/dev/null |
        sort -rn | head -n 8 || true
done
# The failures' own output again, last, where a truncated log still shows it.
for dir in "${failed[@]}"; do
    echo "== failed in $dir:"
    cat "$dir/Testing/Temporary/LastTestsFailed.log" 2>/dev/null || true
    awk '/^[0-9]+\/[0-9]+ Testing: /{ block = ""; keep = 0 }
         { block = block $0 "\n" }
         /^Test Failed|^Test time out|^Test not run|Exception/{ keep = 1 }
         /^"[^"]*" end time:/{ if (keep) printf "%s", block; block = ""; keep = 0 }' \
        "$dir/Testing/Temporary/LastTest.log" 2>/dev/null | tail -400 || true
done
exit $status
