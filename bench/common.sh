# Shared by the benchmark scripts: `source bench/common.sh NAME TOOL "$@"`
# reads CORPUS BUILD [RUNS] from the arguments, checks that build/bin/TOOL
# exists and sets corpus, build, runs, tool and work (a scratch folder that
# is removed on exit). Also: seconds, median, calc.
set -euo pipefail
bench_name=$1 bench_tool=$2
shift 2
corpus=$(cd "${1:?usage: $bench_name.sh CORPUS BUILD [RUNS]}" && pwd)
build=$(cd "${2:?usage: $bench_name.sh CORPUS BUILD [RUNS]}" && pwd)
runs=${3:-3}
tool=$build/bin/$bench_tool
[ -x "$tool" ] || { echo "no $tool: build the project first" >&2; exit 1; }
work=$(mktemp -d "${TMPDIR:-/var/tmp}/brindle-$bench_name.XXXXXX")
trap 'rm -rf "$work"' EXIT

seconds() {  # seconds COMMAND...: wall time of one command
    local t0 t1
    t0=$(date +%s.%N)
    "$@" >/dev/null
    t1=$(date +%s.%N)
    awk -v a="$t0" -v b="$t1" 'BEGIN {print b - a}'
}
median() { sort -g | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }
calc() { awk "BEGIN {print $1}"; }  # calc EXPRESSION
