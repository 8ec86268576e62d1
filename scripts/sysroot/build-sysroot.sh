#!/usr/bin/env bash
# Builds the sysroot charplay links against for TARGET (windows or linux):
# FFmpeg, dav1d and OpenCV from Debian's sources, with the licence texts
# that go with them and the configure lines used. The source packages
# (.dsc and tarballs) are kept in SOURCES, fetched there when it is empty;
# WORK is removed at the end.
#
#   build-sysroot.sh TARGET SYSROOT SOURCES WORK
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
target=$1
sysroot=$2
sources=$3
work=$4
source "$here/$target.sh"

rm -rf "$sysroot" "$work"
if [ ! -f "$sources/done" ]; then
  rm -rf "$sources"
  "$here/fetch-sources.sh" "$sources" > /dev/null
  touch "$sources/done"
fi
"$here/unpack-sources.sh" "$sources" "$work"
ffmpeg_source=$(echo "$work"/ffmpeg-*/)
dav1d_source=$(echo "$work"/dav1d-*/)
opencv_source=$(echo "$work"/opencv-*/)
target_prepare "$sysroot"
"$here/build-dav1d.sh" "$target" "$dav1d_source" "$work/dav1d" "$sysroot"
"$here/build-ffmpeg.sh" "$target" "$ffmpeg_source" "$work/ffmpeg" "$sysroot"
"$here/build-opencv.sh" "$target" "$opencv_source" "$work/opencv" "$sysroot"

# FFmpeg is built under the LGPL 3, which builds on the GPL 3 (the zip takes
# that text from Debian's common licences). Debian's copyright files name
# every other licence in each source, OpenCV's third-party code included.
mkdir -p "$sysroot/licenses"
cp "$ffmpeg_source/LICENSE.md" "$sysroot/licenses/FFmpeg-LICENSE.md"
cp "$ffmpeg_source/COPYING.LGPLv3" "$sysroot/licenses/FFmpeg-COPYING.LGPLv3.txt"
cp "$dav1d_source/COPYING" "$sysroot/licenses/dav1d-COPYING.txt"
cp "$opencv_source/LICENSE" "$sysroot/licenses/OpenCV-LICENSE.txt"
for package in ffmpeg dav1d opencv; do
  source_dir=$(echo "$work/$package"-*/)
  cp "$source_dir/debian/copyright" "$sysroot/licenses/$package-debian-copyright.txt"
done
rm -rf "$work"
touch "$sysroot/done"
