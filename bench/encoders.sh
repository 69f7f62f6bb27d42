#!/bin/bash
# The encoder controls against the ffmpeg command line: the sound mix of ten
# narrations over the 3-minute background, the 60-second 640x480 clip, and
# the six corpus clips one by one and two at once. Prints wall and CPU
# seconds and the cores in use (CPU / wall) side by side.
# Usage: bench/encoders.sh CORPUS_DIR BUILD_DIR [RUNS]
set -euo pipefail
corpus=${1:?usage: encoders.sh CORPUS_DIR BUILD_DIR [RUNS]}
build=${2:?usage: encoders.sh CORPUS_DIR BUILD_DIR [RUNS]}
runs=${3:-3}
here=$(cd "$(dirname "$0")" && pwd)
[ -f "$corpus/background.wav" ] || "$here/make_corpus.sh" "$corpus"
cmake --build "$build" --target bench-encoders >/dev/null
exec "$build/bin/bench-encoders" "$corpus" "$runs"
