#!/usr/bin/env bash
# Installs what is missing, builds charplay and runs every test: once as
# built for use (with charplay.exe for Windows, tested under Wine), once built
# with AddressSanitizer and UndefinedBehaviorSanitizer (which adds a bounded
# fuzzing run).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh cmake make g++ libopencv-dev libgtest-dev python3 ffmpeg tmux locales \
  procps xvfb xdotool imagemagick zzuf g++-mingw-w64-x86-64 wine64 wine \
  libbenchmark-dev lintian man-db groff-base dpkg-dev gzip openssl git xz-utils \
  binutils util-linux file qemu-user python3-gi gir1.2-gst-rtsp-server-1.0 \
  gstreamer1.0-plugins-good gstreamer1.0-plugins-bad rpm rpmlint cpio

scripts/build.sh -DCHARPLAY_WERROR=ON -DCHARPLAY_TESTS=ON
# charplay.exe, for its tests under Wine, and the portable Linux archives
# (their FFmpeg and OpenCV are built once and kept).
scripts/build-windows.sh
scripts/build-linux.sh
scripts/build-linux.sh aarch64
scripts/build-linux.sh armhf
(cd build && ctest --output-on-failure --parallel "$(nproc)")

BUILD_DIR=build-sanitize scripts/build.sh -DCHARPLAY_SANITIZE=ON -DCHARPLAY_WERROR=ON -DCHARPLAY_TESTS=ON
(cd build-sanitize && ctest --output-on-failure --parallel "$(nproc)")
