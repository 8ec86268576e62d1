#!/usr/bin/env bash
# Builds the sysroot charplay.exe links against: FFmpeg, dav1d and OpenCV,
# static, from Debian's sources, with the licence texts that go with them.
# The fetched source packages (.dsc and tarballs) are kept in SOURCES; WORK
# is removed at the end.
#
#   build-sysroot.sh SYSROOT SOURCES WORK
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
sysroot=$1
sources=$2
work=$3

rm -rf "$sysroot" "$sources" "$work"
"$here/fetch-sources.sh" "$work" > /dev/null
mkdir -p "$sources"
cp "$work"/*.dsc "$work"/*.tar.* "$sources/"
ffmpeg_source=$(echo "$work"/ffmpeg-*/)
dav1d_source=$(echo "$work"/dav1d-*/)
opencv_source=$(echo "$work"/opencv-*/)
"$here/build-dav1d.sh" "$dav1d_source" "$work/dav1d" "$sysroot"
"$here/build-ffmpeg.sh" "$ffmpeg_source" "$work/ffmpeg" "$sysroot"
"$here/build-opencv.sh" "$opencv_source" "$work/opencv" "$sysroot"

# FFmpeg is built under the LGPL 3, which builds on the GPL 3 (the zip takes
# that text from Debian's common licences).
mkdir -p "$sysroot/licenses"
cp "$ffmpeg_source/LICENSE.md" "$sysroot/licenses/FFmpeg-LICENSE.md"
cp "$ffmpeg_source/COPYING.LGPLv3" "$sysroot/licenses/FFmpeg-COPYING.LGPLv3.txt"
cp "$dav1d_source/COPYING" "$sysroot/licenses/dav1d-COPYING.txt"
cp "$opencv_source/LICENSE" "$sysroot/licenses/OpenCV-LICENSE.txt"
rm -rf "$work"
touch "$sysroot/done"
