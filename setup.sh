#!/usr/bin/env bash
# Brindle's two set-up commands:
#   ./setup.sh run    install what is missing, build, start Brindle
#   ./setup.sh test   install what is missing, build, run every test
#                     (a normal build and a sanitizer build)
set -euo pipefail
cd "$(dirname "$0")"
top=$(pwd)

install_missing() {
    local wanted missing=()
    mapfile -t wanted < <(grep -vE '^\s*(#|$)' scripts/debian-packages.txt)
    for p in "${wanted[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >/dev/null
}

build() {  # build DIR [cmake options...]
    local dir=$1
    shift
    # ccache, when present, makes a rebuild of unchanged code (a second
    # checkout, the CI clone) nearly free; paths are taken relative to the
    # checkout so any folder shares the cache.
    local launcher=()
    if command -v ccache >/dev/null; then
        export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$top} CCACHE_NOHASHDIR=1
        export CCACHE_SLOPPINESS=${CCACHE_SLOPPINESS:-pch_defines,time_macros,include_file_mtime,include_file_ctime}
        launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    fi
    cmake -S "$top" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRINDLE_WERROR=ON \
        "${launcher[@]}" "$@" >/dev/null
    cmake --build "$dir"
}

case "${1:-}" in
run)
    install_missing
    build "$top/build"
    "$top/build/bin/brindle-player" --register
    # Without a project named, the sample project the build made.
    if [ $# -lt 2 ]; then
        exec "$top/build/bin/brindle" "$top/build/samples/Sample.bqx"
    fi
    exec "$top/build/bin/brindle" "${@:2}"
    ;;
test)
    # Each step's time is printed, so a slow run shows where it went.
    install_missing
    echo "== packages ready after ${SECONDS} s"
    build "$top/build"
    "$top/build/bin/brindle-player" --register
    cmake --build "$top/build" --target format-check
    echo "== normal build ready after ${SECONDS} s"
    build "$top/build-asan" -DBRINDLE_SANITIZE=ON
    echo "== sanitizer build ready after ${SECONDS} s"
    exec scripts/run-tests.sh "$top/build" "$top/build-asan"
    ;;
*)
    echo "usage: $0 run | test" >&2
    exit 2
    ;;
esac
