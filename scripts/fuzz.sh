#!/bin/sh
# Runs each libFuzzer target of the tree for a while, one after the other,
# with its corpus kept in tests/fuzz-corpus/<target>/ between runs.
#
#   scripts/fuzz.sh [--runs N] [--seconds S] [--jobs-nice N] [--max-len B] [TARGET...]
#
# TARGET is one of: toc pfp smil realpix realtext zipdir wavheader
# (default: all). Each target stops after N executions (default 10000000)
# or S seconds (default 1800), whichever comes first. The targets are built
# with clang++ in a sanitizer configuration in build-fuzz/ (only the fuzz
# targets). A crash, leak or timeout leaves its input in
# tests/fuzz-regressions/<target>/, which the normal test run replays; the
# summary of every run is appended to build-fuzz/fuzz-summary.txt (target,
# executions, coverage, findings). --max-len caps the inputs' size (libFuzzer
# grows it up to 4096 bytes), for a target whose work grows with its input.
set -eu
cd "$(dirname "$0")/.."
root=$(pwd)

runs=10000000
seconds=1800
niceness=19
maxlen=
while [ $# -gt 0 ]; do
    case "$1" in
        --runs) runs=$2; shift 2 ;;
        --seconds) seconds=$2; shift 2 ;;
        --jobs-nice) niceness=$2; shift 2 ;;
        --max-len) maxlen=$2; shift 2 ;;
        -h|--help) sed -n '2,15p' "$0"; exit 0 ;;
        --*) echo "unknown option $1" >&2; exit 2 ;;
        *) break ;;
    esac
done
targets=${*:-toc pfp smil realpix realtext zipdir wavheader}

if [ -f /root/.ccache.env ]; then
    . /root/.ccache.env
fi
build=$root/build-fuzz
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DBRINDLE_SANITIZE=ON -DBRINDLE_FUZZ=ON >/dev/null
fi

binary_of() {
    case "$1" in
        toc) echo "$build/app/model/fuzz/fuzz-toc" ;;
        pfp) echo "$build/plugin/fuzz/fuzz-pfp" ;;
        zipdir) echo "$build/components/zip/fuzz/fuzz-zipdir" ;;
        wavheader) echo "$build/controls/audiocap/fuzz/fuzz-wavheader" ;;
        smil|realpix|realtext) echo "$build/player/fuzz/fuzz-$1" ;;
        *) echo "unknown target $1" >&2; exit 2 ;;
    esac
}
seeds_of() {
    case "$1" in
        toc) echo "$root/app/model/fuzz/corpus/toc" ;;
        pfp) echo "$root/plugin/fuzz/corpus/pfp" ;;
        zipdir) echo "$root/components/zip/fuzz/corpus/zipdir" ;;
        wavheader) echo "$root/controls/audiocap/fuzz/corpus/wavheader" ;;
        *) echo "$root/player/fuzz/corpus/$1" ;;
    esac
}

for t in $targets; do
    nice -n "$niceness" cmake --build "$build" -j1 --target "${t}_fuzzer" >/dev/null
done

summary=$build/fuzz-summary.txt
for t in $targets; do
    bin=$(binary_of "$t")
    corpus=$root/tests/fuzz-corpus/$t
    found=$root/tests/fuzz-regressions/$t
    work=$build/fuzz-work/$t
    mkdir -p "$corpus" "$found" "$work"
    log=$build/fuzz-$t.log
    # The fuzzer grows a scratch corpus; what adds coverage is merged into
    # the kept one afterwards, so the kept corpus stays small.
    mkdir -p "$work/scratch"
    start=$(date +%s)
    set +e
    ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1 \
        nice -n "$niceness" "$bin" -runs="$runs" -max_total_time="$seconds" \
        -rss_limit_mb=1024 -timeout=10 -print_final_stats=1 ${maxlen:+-max_len="$maxlen"} \
        -artifact_prefix="$found/" "$work/scratch" "$corpus" "$(seeds_of "$t")" >"$log" 2>&1
    status=$?
    set -e
    end=$(date +%s)
    nice -n "$niceness" "$bin" -merge=1 "$corpus" "$work/scratch" >>"$log" 2>&1 || true
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    cov=$(grep -o 'cov: [0-9]*' "$log" | tail -n 1 | cut -d' ' -f2)
    feat=$(grep -o 'ft: [0-9]*' "$log" | tail -n 1 | cut -d' ' -f2)
    findings=$(find "$found" -type f | wc -l)
    line="$(date -u +%F' '%H:%M) $t executions=${execs:-?} seconds=$((end - start)) coverage=${cov:-?} features=${feat:-?} corpus=$(find "$corpus" -type f | wc -l) exit=$status findings=$findings"
    echo "$line" | tee -a "$summary"
done
