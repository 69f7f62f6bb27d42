#!/bin/bash
# Runs every benchmark beside the tools a user would reach for instead, in
# one run on one machine, and prints one table: the work, Brindle's median
# seconds and peak resident size, each peer's, and the ratio Brindle / peer
# (below 1: Brindle is faster). The table in README.md comes from it.
#
# Usage: bench/run-all.sh CORPUS BUILD [RUNS]   (RUNS defaults to 3)
#   CORPUS: made by bench/make_corpus.sh; BUILD: the build folder.
#   FULL=1 also runs the slow peers (ImageMagick one process per picture).
#   ONLY=project runs the project's save, open and info rows alone.
# Reference tools: zip, unzip, ffmpeg (scripts/debian-packages.txt) and
# pigz, vipsthumbnail, convert (scripts/bench-packages.txt); a missing peer
# is left out of the table.
set -euo pipefail
export LC_ALL=C
here=$(cd "$(dirname "$0")" && pwd)
corpus=$(cd "${1:?usage: run-all.sh CORPUS BUILD [RUNS]}" && pwd)
build=$(cd "${2:?usage: run-all.sh CORPUS BUILD [RUNS]}" && pwd)
runs=${3:-3}
bin=$build/bin
work=$(mktemp -d "${TMPDIR:-/var/tmp}/brindle-run-all.XXXXXX")
trap 'rm -rf "$work"' EXIT
have() { command -v "$1" >/dev/null; }

# timed KEY CMD...: runs CMD with its output in $work/out, appends "wall-s
# peak-KB" to $work/KEY.t. The wall time is the shell's, to the microsecond
# (time(1) gives hundredths, too coarse for unzip -l).
timed() {
    local key=$1 t0 t1
    shift
    t0=$EPOCHREALTIME
    if ! /usr/bin/time -f "%M" -o "$work/time" "$@" >"$work/out" 2>"$work/err"; then
        echo "run-all: failed: $*" >&2
        tail -5 "$work/err" >&2
        return 1
    fi
    t1=$EPOCHREALTIME
    echo "$(awk -v a="$t0" -v b="$t1" 'BEGIN {printf "%.4f", b - a}') $(tail -1 "$work/time")" \
        >>"$work/$key.t"
}
# note KEY SECONDS KB: a figure measured inside a program
note() { echo "$2 $3" >>"$work/$1.t"; }
median() { [ -s "$work/$1.t" ] && awk '{print $1}' "$work/$1.t" | sort -g |
    awk '{a[NR]=$1} END {printf "%.4f", (NR%2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }
peakmb() { [ -s "$work/$1.t" ] && awk '$2>m {m=$2} END {printf "%d", m/1024}' "$work/$1.t"; }

rows=()
# row WORK OURS-KEY PEER-LABEL PEER-KEY [PEER-LABEL PEER-KEY]...
row() {
    local what=$1 ours=$2
    shift 2
    local s m
    s=$(median "$ours" || echo n/a) m=$(peakmb "$ours" || echo -)
    if [ $# -eq 0 ]; then
        rows+=("| $what | $s | $m | | | | |")
    fi
    local first=1
    while [ $# -ge 2 ]; do
        local label=$1 key=$2 ps pm ratio
        shift 2
        ps=$(median "$key" || true)
        [ -n "$ps" ] || continue
        pm=$(peakmb "$key")
        ratio=n/a
        [ "$s" != n/a ] && ratio=$(awk -v a="$s" -v b="$ps" 'BEGIN {printf "%.2f", (b > 0 ? a / b : 0)}')
        if ((first)); then
            rows+=("| $what | $s | $m | $label | $ps | $pm | $ratio |")
            first=0
        else
            rows+=("| | | | $label | $ps | $pm | $ratio |")
        fi
    done
}

echo "run-all: corpus $corpus, build $build, $runs runs; load $(cut -d' ' -f1-3 /proc/loadavg)," \
    "$(nproc) cores" >&2

# --- The 200-slide project: save, open, info -------------------------------
cd "$corpus"
stills=(p0[2468].jpg p[123][02468].jpg)
scans=(p3[567].bmp)
gifs=(p*.gif)
clips=(c[1-5]-*.avi)
voices=(n*.wav)
cd - >/dev/null
for ((i = 1; i <= 200; i++)); do
    case $((i % 40)) in
        20) f=${clips[(i / 40) % ${#clips[@]}]} kind=clip ;;
        0) f=${scans[(i / 40) % ${#scans[@]}]} kind=picture ;;
        10) f=${gifs[(i / 40) % ${#gifs[@]}]} kind=picture ;;
        *) f=${stills[i % ${#stills[@]}]} kind=picture ;;
    esac
    sound=
    ((i % 4 == 0)) && sound=" $corpus/${voices[(i / 4) % ${#voices[@]}]}"
    echo "$kind $corpus/$f$sound"
done >"$work/slides.txt"
echo "background $corpus/background.wav" >>"$work/slides.txt"

for ((r = 1; r <= runs; r++)); do
    echo "run-all: project, run $r" >&2
    rm -rf "$work"/w "$work"/w-* "$work"/o "$work"/u "$work"/c "$work"/*.bqx "$work"/ref.*
    timed project "$bin/bench-project" "$work/slides.txt" "$work/w" "$work/ours.bqx" "$work/o"
    peak=$(tail -1 "$work/project.t" | cut -d' ' -f2)
    note save "$(sed -n 's/^save //p' "$work/out")" \
        "$(sed -n 's/^rss-after-save //p' "$work/out" | grep . || echo "$peak")"
    note open "$(sed -n 's/^open //p' "$work/out")" "$peak"
    files=("$work"/w/*)
    sync
    timed zip zip -q -6 -j "$work/ref.zip" "${files[@]}"
    if have pigz; then
        sync
        timed pigz sh -c 'tar -cf - -C "$1" . | pigz -6 >"$2"' - "$work/w" "$work/ref.tgz"
    fi
    sync
    timed copysync sh -c 'cp -r "$1" "$2" && sync' - "$work/w" "$work/c"
    rm -rf "$work/c"
    sync
    mkdir "$work/u"
    timed unzip unzip -q "$work/ref.zip" -d "$work/u"
    sync
    timed copy cp -r "$work/w" "$work/c"
    timed info "$bin/brindle-cli" info "$work/ours.bqx"
    timed unzipl unzip -l "$work/ours.bqx"
    timed clistart "$bin/brindle-cli" version
    if [ -x "$bin/brindle-cli-full" ]; then
        timed fullstart "$bin/brindle-cli-full" version
    fi
    if "$bin/brindle-cli" info "$work/ours.bqx" --table >/dev/null 2>&1; then
        timed infotable "$bin/brindle-cli" info "$work/ours.bqx" --table
    fi
done
mb=$(($(cat "$work"/w/* | wc -c) / 1000000))
row "save a 200-slide, $mb MB project" save "zip -q -6 -j" zip "tar + pigz -6" pigz \
    "cp + sync (floor)" copysync
# The archives' sizes beside the save time (the last run's; MB, not s).
mbof() { awk -v b="$(stat -c %s "$1")" 'BEGIN {printf "%.1f", b / 1e6}'; }
size_row() {
    local ours=$1 first=1 label path ratio
    shift
    while [ $# -ge 2 ]; do
        label=$1 path=$2
        shift 2
        [ -f "$path" ] || continue
        ratio=$(awk -v a="$(stat -c %s "$ours")" -v b="$(stat -c %s "$path")" \
            'BEGIN {printf "%.3f", a / b}')
        if ((first)); then
            rows+=("| archive size, MB (not s) | $(mbof "$ours") | | $label | $(mbof "$path") | | $ratio |")
            first=0
        else
            rows+=("| | | | $label | $(mbof "$path") | | $ratio |")
        fi
    done
}
size_row "$work/ours.bqx" "zip -q -6 -j" "$work/ref.zip" "tar + pigz -6" "$work/ref.tgz"
row "open it again (unpack, table, clip checks)" open "unzip -q" unzip "cp -r (floor)" copy
row "brindle-cli info on it" info "unzip -l" unzipl
row "brindle-cli info --table on it (the table alone)" infotable "unzip -l" unzipl
row "brindle-cli start-up alone (version, the quick front)" clistart "unzip -l" unzipl
row "start-up of every other command (brindle-cli-full version)" fullstart "unzip -l" unzipl

print_table() {
    echo
    echo "| work | Brindle s | peak MB | peer | peer s | peer MB | ratio |"
    echo "|---|---|---|---|---|---|---|"
    printf '%s\n' "${rows[@]}"
    echo
    echo "median of $runs runs; load at the end $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
}
# ONLY=project: the project's rows alone.
if [ "${ONLY:-}" = project ]; then
    print_table
    exit 0
fi

# --- The editor's start, warm, to the first painted strip -----------------
# editor_start.sh prints "editor-start median-s S peak-kb KB runs N".
estart() {
    local key=$1
    shift
    echo "run-all: editor start $*" >&2
    if "$here/editor_start.sh" "$build" "$runs" "$@" >"$work/out" 2>"$work/err"; then
        note "$key" $(sed -n 's/^editor-start median-s \([0-9.]*\) peak-kb \([0-9]*\).*/\1 \2/p' \
            "$work/out")
    else
        echo "run-all: editor start failed" >&2
        tail -5 "$work/err" >&2
    fi
}
estart estart
estart estart200 "$work/ours.bqx"
row "editor start to the first painted strip, sample project" estart
row "editor start with the 200-slide project (opened whole, strip painted)" estart200

# --- Pictures ---------------------------------------------------------------
mapfile -t pictures < <(ls "$corpus"/p*.jpg "$corpus"/p*.bmp "$corpus"/p*.gif)
prepared=("${pictures[@]:0:34}")
for ((r = 1; r <= runs; r++)); do
    echo "run-all: pictures, run $r" >&2
    rm -rf "$work"/th*
    mkdir -p "$work/th" "$work/thv" "$work/thp" "$work/thpv"
    timed thumbs-run "$bin/bench-thumbnails" "$work/th" "${pictures[@]}"
    note thumbs "$(cat "$work/out")" "$(tail -1 "$work/thumbs-run.t" | cut -d' ' -f2)"
    if { "$bin/bench-thumbnails" 2>&1 || true; } | grep -q -- --prepare; then
        timed prep-run "$bin/bench-thumbnails" --prepare "$work/thp" "${prepared[@]}"
        note prep "$(cat "$work/out")" "$(tail -1 "$work/prep-run.t" | cut -d' ' -f2)"
    fi
    if have vipsthumbnail; then
        timed vips vipsthumbnail -s 320x240 -o "$work/thv/%s.jpg" "${pictures[@]}"
        timed vips34 vipsthumbnail -s 320x240 -o "$work/thpv/%s.jpg" "${prepared[@]}"
    fi
    if [ -n "${FULL:-}" ] && have convert; then
        mkdir -p "$work/thc"
        timed convert sh -c 'out=$1; shift; for f; do b=${f##*/}; convert "$f" -thumbnail 320x240 "$out/${b%.*}.jpg"; done' - \
            "$work/thc" "${pictures[@]}" || true
    fi
done
row "${#pictures[@]} photo thumbnails 320x240" thumbs vipsthumbnail vips "convert -thumbnail" convert
row "preview pass picture preparation, ${#prepared[@]} pictures" prep vipsthumbnail vips34

# --- Clips ------------------------------------------------------------------
clip=$corpus/c1-mpeg4-60s.avi
first=187 last=636
ss=$(awk -v f=$first 'BEGIN {printf "%.6f", f / 15}')
to=$(awk -v l=$last 'BEGIN {printf "%.6f", (l + 1) / 15}')
cat "$clip" >/dev/null
for ((r = 1; r <= runs; r++)); do
    echo "run-all: clips, run $r" >&2
    cp "$clip" "$work/cut.avi"
    timed cut "$bin/brindle-cli" cut "$work/cut.avi" $first $last
    timed ffcut ffmpeg -nostdin -v error -y -ss "$ss" -to "$to" -i "$clip" -c copy "$work/ff.avi"
    if { "$bin/bench-clip-cut" 2>&1 || true; } | grep -q -- --frames; then
        timed frames-run "$bin/bench-clip-cut" --frames "$clip" 31
        note frames "$(awk '{print $1 / 1000}' "$work/out")" \
            "$(tail -1 "$work/frames-run.t" | cut -d' ' -f2)"
    fi
    for t in 3.1 17.7 29.9 41.3 55.2; do
        timed ffframe ffmpeg -nostdin -v error -y -ss "$t" -i "$clip" -frames:v 1 -c:v bmp \
            "$work/frame.bmp"
    done
    timed check "$bin/brindle-cli" check "$clip"
    timed ffprobe ffprobe -v error -show_streams "$clip"
done
row "frame-exact cut of $((last - first + 1)) frames, brindle-cli cut" cut \
    "ffmpeg -c copy (not frame exact)" ffcut
row "one frame -> bitmap, in process, median (s)" frames "ffmpeg -ss T -frames:v 1, a process" \
    ffframe
row "brindle-cli check CLIP (start-up and a clip check)" check "ffprobe -show_streams" ffprobe

# --- The 40-slide presentation to MP4 ---------------------------------------
echo "run-all: export" >&2
if "$here/player_export.sh" "$corpus" "$build" "$runs" >"$work/out" 2>"$work/err"; then
    read -r es ek fs fk < <(sed -n 's/^export-medians //p' "$work/out")
    note export "$es" "$ek"
    note ffexport "$fs" "$fk"
else
    echo "run-all: export failed" >&2
    tail -5 "$work/err" >&2
fi
row "40-slide presentation -> MP4, brindle-player --export" export \
    "ffmpeg concat slideshow" ffexport

print_table
