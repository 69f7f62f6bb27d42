#!/usr/bin/env bash
# Runs every test of each build folder given, with the services the device
# tests need.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export LSAN_OPTIONS=suppressions=$top/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
status=0
for dir in "$@"; do
    echo "== tests in $dir"
    ctest --test-dir "$dir" --output-on-failure -j"$(nproc)" || status=1
done
exit $status
