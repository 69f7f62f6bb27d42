#!/bin/sh
# Builds the tests of the code with worker threads in a ThreadSanitizer
# configuration (build-tsan/) and runs them: the encoders (worker threads
# posting events to the GUI thread), the zip component (blocks deflated on
# every core), the capture engine and the AVI writer (per-stream writer
# threads), recording and playback (PulseAudio callbacks, the player's
# audio clock), and the journal of temporaries.
#
#   scripts/tsan.sh [-j N] [ctest -R pattern]
#
# Sound tests need the private PulseAudio server that scripts/run-tests.sh
# starts; run through it to include them:
#   scripts/run-tests.sh build-tsan   (after this script has built it)
set -eu
cd "$(dirname "$0")/.."
jobs=2
if [ "${1:-}" = "-j" ]; then
    jobs=$2
    shift 2
fi
if [ -f /root/.ccache.env ]; then
    . /root/.ccache.env
fi
tests="encoders_quillon_test encoders_tolvern_test components_zip_test platform_vfw_test
    orvalis_engine_test mediaplayer_player_test sonteval_device_test platform_temporaries_test"
if [ ! -f build-tsan/CMakeCache.txt ]; then
    cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRINDLE_TSAN=ON \
        -DBRINDLE_WERROR=ON >/dev/null
fi
# shellcheck disable=SC2086
nice cmake --build build-tsan -j"$jobs" --target $tests
export QT_QPA_PLATFORM=offscreen BRINDLE_TEST=1
# Qt and the system libraries are not instrumented: their own locking is
# invisible to the sanitizer, so only reports in Brindle's code count.
# tests/tsan.supp names the few reports that are provably inside them.
export TSAN_OPTIONS="halt_on_error=0 second_deadlock_stack=1 report_signal_unsafe=0 suppressions=$(pwd)/tests/tsan.supp"
# QProcess starts programs with a vfork-like clone that shares the parent's
# memory without the sanitizer knowing; the child's steps before exec then
# muddle the parent's thread clocks, and later reports in that process are
# wrong. A preloaded shim turns such clones into forks, and each test case
# runs in a process of its own besides.
cc -O1 -shared -fPIC tests/support/tsan_fork_shim.c -o build-tsan/tsan_fork_shim.so -ldl
export LD_PRELOAD="$(pwd)/build-tsan/tsan_fork_shim.so"
status=0
for t in $tests; do
    log=build-tsan/$t.log
    : >"$log"
    cases=$(./build-tsan/bin/"$t" --gtest_list_tests ${1:+--gtest_filter="$1"} 2>/dev/null |
        awk '/^[^ ]/ { suite = $1 } /^  / { print suite $1 }')
    failed=0
    for c in $cases; do
        if ! ./build-tsan/bin/"$t" --gtest_filter="$c" >>"$log" 2>&1; then
            failed=$((failed + 1))
        fi
    done
    [ "$failed" -eq 0 ] || status=1
    races=$(grep -c "WARNING: ThreadSanitizer" "$log" || true)
    echo "$t: $(echo "$cases" | wc -w) tests, $failed failed, $races reports"
done
exit $status
