#!/usr/bin/env bash
# Installs what is missing, builds charplay and plays the sample video.
# Only the program is built: playing needs neither tests nor benchmarks.
# Arguments go to CMake.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh cmake make g++ libopencv-dev
scripts/build.sh -DCHARPLAY_TESTS=OFF -DCHARPLAY_BENCHMARKS=OFF "$@" > /dev/null
echo samples/mandelbrot.mp4 | "${BUILD_DIR:-build}/charplay"
