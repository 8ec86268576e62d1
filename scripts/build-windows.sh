#!/usr/bin/env bash
# Cross-builds charplay.exe for 64-bit Windows on Debian and packs it, with
# a README, the sample video and the licences of what is linked in, as
# dist/charplay-<version>-windows-x64.zip.
#
# FFmpeg, dav1d and OpenCV are built from Debian's sources, at the versions
# of the packages installed here, into a sysroot that is kept between runs
# (scripts/windows/build-sysroot.sh). It is reused while its key stays the
# same: the source versions, the versions of the tools that build them and
# the scripts and CMake files that shape it. The source packages are kept
# beside it, under the same key; older sysroots go once a new one is
# complete. All of it holds absolute paths, so it lives at a fixed place:
# $CHARPLAY_WINDOWS_CACHE, by default ~/.cache/charplay-windows. The exe's
# build stays in build-windows/.
#
# With --if-cached (the tests' way to keep the exe current) it installs
# nothing and builds only the exe and the zip; without a sysroot it builds
# nothing and exits 3.
#
#   build-windows.sh [--if-cached]
set -euo pipefail
script=$(realpath "$0")
cd "$(dirname "$script")/.."
root=$PWD
if_cached=false
[ "${1:-}" = --if-cached ] && if_cached=true

cache=${CHARPLAY_WINDOWS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/charplay-windows}
mkdir -p "$cache"
# One run at a time on the cache, the exe's build and the zip. A run that
# already holds the lock (a script that calls this one) goes on under it.
if [ "${CHARPLAY_WINDOWS_LOCKED:-}" != "$cache" ]; then
  CHARPLAY_WINDOWS_LOCKED=$cache exec flock "$cache/lock" "$script" "$@"
fi
$if_cached || scripts/deps.sh cmake make pkg-config nasm meson patch dpkg-dev zip \
  g++-mingw-w64-x86-64 libz-mingw-w64-dev libopencv-dev libdav1d-dev ffmpeg

# What shapes the sysroot.
key_inputs() {
  scripts/windows/fetch-sources.sh --versions-only &&
  dpkg-query -W -f '${Package} ${Version}\n' gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix \
    gcc-mingw-w64-x86-64-posix-runtime mingw-w64-x86-64-dev binutils-mingw-w64-x86-64 \
    libz-mingw-w64-dev nasm meson ninja-build cmake pkg-config ffmpeg &&
  cat scripts/windows/* cmake/windows/* cmake/mingw-w64.cmake
}
if ! inputs=$(key_inputs 2> /dev/null); then
  echo "What builds FFmpeg and OpenCV for Windows is not installed: scripts/build-windows.sh installs it"
  $if_cached && exit 3
  exit 1
fi
key=$(echo "$inputs" | sha256sum | cut -c 1-16)
sysroot=$cache/sysroot-$key

if [ ! -f "$sysroot/done" ]; then
  if $if_cached; then
    echo "FFmpeg and OpenCV for Windows are not built in $cache: scripts/build-windows.sh builds them"
    exit 3
  fi
  echo "Building FFmpeg, dav1d and OpenCV for Windows into $sysroot (minutes; once)"
  scripts/windows/build-sysroot.sh "$sysroot" "$cache/sources-$key" "$cache/work-$key"
  for old in "$cache"/sysroot-* "$cache"/sources-* "$cache"/work-*; do
    [ "${old##*-}" = "$key" ] || rm -rf "$old"
  done
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
cp LICENSE "$stage/licenses/charplay-LICENSE.txt"
cp "$sysroot"/licenses/* "$stage/licenses/"
cp /usr/share/doc/libz-mingw-w64-dev/copyright "$stage/licenses/zlib.txt"
cp /usr/share/doc/mingw-w64-x86-64-dev/copyright "$stage/licenses/mingw-w64-and-winpthreads.txt"
cp /usr/share/doc/gcc-mingw-w64-base/copyright "$stage/licenses/GCC-runtime-exception.txt"
cp /usr/share/common-licenses/GPL-3 "$stage/licenses/GPL-3.txt"
mkdir -p dist
rm -f "dist/$name.zip"
(cd "$build" && zip -q -r -X "$root/dist/$name.zip" "$name")
echo "dist/$name.zip"
