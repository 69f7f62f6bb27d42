#!/bin/bash
# The editor's start, warm: from launching `brindle PROJECT.bqx` to the first
# paint of the slide strip with the project open, and the peak resident
# size. The program measures itself (BRINDLE_FIRST_PAINT, given the shell's
# clock just before the launch) and ends at that paint. Runs under Xvfb when
# it is installed, else on Qt's offscreen platform; in a private home, so
# the user's settings and folders stay untouched.
#
# Usage: bench/editor_start.sh BUILD [RUNS] [PROJECT.bqx]
#   Without a project, the sample project is made with `brindle-cli sample`.
#   One run first warms the caches and is not counted. Prints one line per
#   run ("first-paint-ms MS peak-kb KB") and then
#   "editor-start median-s S peak-kb KB runs N".
set -euo pipefail
export LC_ALL=C
build=$(cd "${1:?usage: editor_start.sh BUILD [RUNS] [PROJECT.bqx]}" && pwd)
runs=${2:-5}
project=${3:-}
[ -z "$project" ] || project=$(cd "$(dirname "$project")" && pwd)/$(basename "$project")
bin=$build/bin
tmp=$(mktemp -d "${TMPDIR:-/var/tmp}/brindle-editor-start.XXXXXX")
xvfb=
cleanup() {
    [ -z "$xvfb" ] || kill "$xvfb" 2>/dev/null || true
    rm -rf "$tmp"
}
trap cleanup EXIT
. "$(dirname "$0")/../scripts/private_home.sh"
private_home "$tmp" "$bin"
if [ -z "$project" ]; then
    project=$tmp/sample.bqx
    "$bin/brindle-cli" sample "$project" >/dev/null
fi

if command -v Xvfb >/dev/null; then
    exec 3>"$tmp/display"
    Xvfb -displayfd 3 -screen 0 1280x900x24 -nolisten tcp 2>/dev/null &
    xvfb=$!
    for _ in $(seq 100); do
        [ -s "$tmp/display" ] && break
        sleep 0.05
    done
    export DISPLAY=:$(head -1 "$tmp/display") QT_QPA_PLATFORM=xcb
else
    export QT_QPA_PLATFORM=offscreen
fi

for ((r = 0; r <= runs; r++)); do
    BRINDLE_FIRST_PAINT=$EPOCHREALTIME /usr/bin/time -f "%M" -o "$tmp/rss" \
        "$bin/brindle" "$project" >"$tmp/out" 2>"$tmp/err" || true
    ms=$(sed -n 's/^first-paint-ms //p' "$tmp/out")
    if [ -z "$ms" ]; then
        echo "editor_start: no first paint reported" >&2
        tail -5 "$tmp/err" >&2
        exit 1
    fi
    ((r == 0)) && continue
    echo "first-paint-ms $ms peak-kb $(tail -1 "$tmp/rss")"
done | tee "$tmp/runs"
sort -g -k2 "$tmp/runs" | awk '{ms[NR] = $2; if ($4 > kb) kb = $4}
    END {m = (NR % 2) ? ms[(NR + 1) / 2] : (ms[NR / 2] + ms[NR / 2 + 1]) / 2
         printf "editor-start median-s %.3f peak-kb %d runs %d\n", m / 1000, kb, NR}'
