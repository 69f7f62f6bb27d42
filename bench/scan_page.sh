#!/bin/bash
# Scans an A4 page at 300 dpi in colour from SANE's test device (its colour
# pattern, 2480 x 3507 pixels) through Brindle and with scanimage, side by
# side in one run: the page acquired into memory (bench-scan) against
# `scanimage --format=pnm` into /dev/null, and the page saved as JPEG
# (`brindle-cli scan`, quality factor 2 as the dialog saves) against
# `scanimage --format=jpeg`. Prints the median seconds.
# Usage: scan_page.sh BUILD [RUNS]   (RUNS defaults to 5)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:?usage: scan_page.sh BUILD [RUNS]}" && pwd)
runs=${2:-5}
for t in bench-scan brindle-cli; do
    [ -x "$build/bin/$t" ] || { echo "no $build/bin/$t: build the project first" >&2; exit 1; }
done
command -v scanimage >/dev/null || { echo "needs scanimage: apt-get install sane-utils" >&2; exit 1; }
work=$(mktemp -d "${TMPDIR:-/var/tmp}/brindle-scan.XXXXXX")
trap 'rm -rf "$work"' EXIT

export SANE_CONFIG_DIR=$work/sane
mkdir -p "$SANE_CONFIG_DIR"
cp "$top/tests/components/imaging/sane/dll.conf" "$SANE_CONFIG_DIR"
{
    cat "$top/tests/components/imaging/sane/test.conf"
    printf 'br_x 210.0\nbr_y 297.0\n'
} >"$SANE_CONFIG_DIR/test.conf"

seconds() {  # seconds COMMAND...: wall time of one command
    local t0 t1
    t0=$(date +%s.%N)
    "$@" >/dev/null
    t1=$(date +%s.%N)
    awk -v a="$t0" -v b="$t1" 'BEGIN {print b - a}'
}
median() { sort -g | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }
calc() { awk "BEGIN {print $1}"; }

scan_pnm() { scanimage -d test:0 --mode Color --resolution 300 --format=pnm >/dev/null; }
scan_pnm_file() { scanimage -d test:0 --mode Color --resolution 300 --format=pnm -o "$work/s.pnm"; }
scan_jpeg() { scanimage -d test:0 --mode Color --resolution 300 --format=jpeg -o "$work/s.jpg"; }

read -r _ w h < <("$build/bin/bench-scan" test:0 300)
[ "$w $h" = "2480 3507" ] || { echo "bench-scan gave ${w}x$h, not 2480x3507" >&2; exit 1; }
for ((r = 1; r <= runs; r++)); do
    seconds scan_pnm >>"$work/t-pnm"
    seconds scan_pnm_file >>"$work/t-pnmf"
    seconds "$build/bin/bench-scan" test:0 300 >>"$work/t-mem"
    seconds scan_jpeg >>"$work/t-sjpg"
    seconds "$build/bin/brindle-cli" scan "$work/b.jpg" --device test:0 --resolution 300 >>"$work/t-bjpg"
done
pnm=$(median <"$work/t-pnm") pnmf=$(median <"$work/t-pnmf") mem=$(median <"$work/t-mem")
sjpg=$(median <"$work/t-sjpg") bjpg=$(median <"$work/t-bjpg")
printf 'A4 at 300 dpi, colour (%dx%d), %d runs, median seconds\n' "$w" "$h" "$runs"
printf '%-44s %7.2f s\n' "scanimage --format=pnm > /dev/null" "$pnm"
printf '%-44s %7.2f s\n' "scanimage --format=pnm -o page.pnm" "$pnmf"
printf '%-44s %7.2f s   ratio %.2f / %.2f\n' "bench-scan (page into memory)" "$mem" \
    "$(calc "$mem / $pnm")" "$(calc "$mem / $pnmf")"
printf '%-44s %7.2f s\n' "scanimage --format=jpeg" "$sjpg"
printf '%-44s %7.2f s   ratio %.2f\n' "brindle-cli scan (JPEG, best quality)" "$bjpg" "$(calc "$bjpg / $sjpg")"
