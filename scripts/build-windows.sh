#!/usr/bin/env bash
# Cross-builds charplay.exe for 64-bit Windows on Debian and packs it, with
# a README, the sample video and the licences of what is linked in, as
# dist/charplay-<version>-windows-x64.zip.
#
# FFmpeg and OpenCV are built from Debian's sources, at the versions of this
# machine's own packages, into a sysroot that is kept between runs: it is
# reused while its key (the source versions, the compiler's version and the
# scripts that shape it) stays the same. It holds absolute paths, so it lives
# at a fixed place: $CHARPLAY_WINDOWS_CACHE, by default
# ~/.cache/charplay-windows. The exe's build stays in build-windows/.
#
# With --if-cached (the tests' way to keep the exe current) it installs
# nothing and builds only the exe and the zip; without a sysroot it builds
# nothing and exits 3.
#
#   build-windows.sh [--if-cached]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
if_cached=false
[ "${1:-}" = --if-cached ] && if_cached=true
$if_cached || scripts/deps.sh cmake make pkg-config nasm dpkg-dev zip g++-mingw-w64-x86-64 \
  libz-mingw-w64-dev libopencv-dev

cache=${CHARPLAY_WINDOWS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/charplay-windows}
versions=$(scripts/windows/fetch-sources.sh "$cache" --versions-only)
key=$( { echo "$versions"; x86_64-w64-mingw32-g++-posix --version | head -n 1
         cat scripts/windows/*.sh cmake/windows/* cmake/mingw-w64.cmake; } |
       sha256sum | cut -c 1-16)
sysroot=$cache/sysroot-$key

if [ ! -f "$sysroot/done" ]; then
  if $if_cached; then
    echo "FFmpeg and OpenCV for Windows are not built in $cache: scripts/build-windows.sh builds them"
    exit 3
  fi
  echo "Building FFmpeg and OpenCV for Windows into $sysroot (minutes; once)"
  work=$cache/work-$key
  rm -rf "$work" "$sysroot"
  scripts/windows/fetch-sources.sh "$work" > /dev/null
  ffmpeg_source=$(echo "$work"/ffmpeg-*/)
  opencv_source=$(echo "$work"/opencv-*/)
  scripts/windows/build-ffmpeg.sh "$ffmpeg_source" "$work/ffmpeg" "$sysroot"
  scripts/windows/build-opencv.sh "$opencv_source" "$work/opencv" "$sysroot"
  mkdir -p "$sysroot/licenses"
  cp "$ffmpeg_source/LICENSE.md" "$sysroot/licenses/FFmpeg-LICENSE.md"
  cp "$ffmpeg_source/COPYING.LGPLv2.1" "$sysroot/licenses/FFmpeg-COPYING.LGPLv2.1.txt"
  cp "$opencv_source/LICENSE" "$sysroot/licenses/OpenCV-LICENSE.txt"
  rm -rf "$work"
  touch "$sysroot/done"
fi

build=build-windows
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
  -DOpenCV_DIR="$sysroot/lib/cmake/opencv4" -DCMAKE_BUILD_TYPE=Release \
  -DCHARPLAY_TESTS=OFF -DCHARPLAY_BENCHMARKS=OFF -DBUILD_TESTING=OFF -DCHARPLAY_WERROR=ON \
  > /dev/null
cmake --build "$build" --parallel "$(nproc)" > /dev/null

version=$(sed -n 's/^project(charplay VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
name=charplay-$version-windows-x64
stage=$build/$name
rm -rf "$stage" && mkdir -p "$stage/licenses"
x86_64-w64-mingw32-strip -o "$stage/charplay.exe" "$build/charplay.exe"
sed 's/$/\r/' packaging/windows/README.txt > "$stage/README.txt"
cp samples/mandelbrot.mp4 "$stage/"
cp "$sysroot"/licenses/* "$stage/licenses/"
cp /usr/share/doc/libz-mingw-w64-dev/copyright "$stage/licenses/zlib.txt"
cp /usr/share/doc/mingw-w64-x86-64-dev/copyright "$stage/licenses/mingw-w64-and-winpthreads.txt"
cp /usr/share/doc/gcc-mingw-w64-base/copyright "$stage/licenses/GCC-runtime-exception.txt"
cp /usr/share/common-licenses/GPL-3 "$stage/licenses/GPL-3.txt"
mkdir -p dist
rm -f "dist/$name.zip"
(cd "$build" && zip -q -r -X "$root/dist/$name.zip" "$name")
echo "dist/$name.zip"
