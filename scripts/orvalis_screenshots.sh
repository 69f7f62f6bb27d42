#!/bin/sh
# Makes the video capture control's pictures in docs/: the control showing
# the synthetic camera, its five property pages and its about box, from the
# real control under Xvfb.
# Usage: scripts/orvalis_screenshots.sh [build-dir]
set -eu
build=${1:-build}
out=$(pwd)/docs
export BRINDLE_SCREENSHOTS="$out" QT_QPA_PLATFORM=xcb BRINDLE_TEST=1
xvfb-run -a -s "-screen 0 1024x768x24" "$build/bin/orvalis_test" \
    --gtest_filter=OrvalisPagesTest.Screenshots
ls "$out"/orvalis-*.png
