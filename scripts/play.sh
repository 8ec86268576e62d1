#!/usr/bin/env bash
# Installs what is missing, builds charplay and plays the sample video.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh cmake make g++ libopencv-dev
scripts/build.sh > /dev/null
echo samples/mandelbrot.mp4 | build/charplay
