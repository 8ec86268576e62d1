#!/usr/bin/env bash
# Installs what is missing, builds charplay and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh cmake make g++ libopencv-dev libgtest-dev python3 ffmpeg tmux locales \
  xvfb xdotool imagemagick \
  g++-mingw-w64-x86-64
scripts/build.sh
cd "${BUILD_DIR:-build}"
ctest --output-on-failure --parallel "$(nproc)"
