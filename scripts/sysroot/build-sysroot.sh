#!/usr/bin/env bash
# Builds the sysroot charplay links against for TARGET: FFmpeg, dav1d,
# OpenCV and, where the target asks for it, OpenSSL, from Debian's sources,
# with the licence texts that go with them and the configure lines used.
# The source packages (.dsc and tarballs) in SOURCES are unpacked and
# patched here, and built in ROOT
# (a Debian root, see make-root.sh) when one is given, else on this
# machine. WORK is removed at the end.
#
#   build-sysroot.sh TARGET SYSROOT SOURCES WORK [ROOT]
set -euo pipefail
source "$(dirname "$0")/common.sh"
load_target "$1"
target=$1
sysroot=$2
sources=$3
work=$4
root=${5:-}

rm -rf "$sysroot" "$work"
"$sysroot_scripts/unpack-sources.sh" "$sources" "$work"
source_of() { echo "$work/$1"-*/; }
# Our changes to FFmpeg and OpenCV (PACKAGE-WHAT.patch), each patch saying
# why: a refused connection fails at once on Windows, HTTPS checks the
# server's certificate, Theora decodes the same on every run, and frames
# are converted straight into the caller's image.
for change in "$sysroot_scripts"/{ffmpeg,opencv}-*.patch; do
  package=$(basename "$change")
  patch -d "$(source_of "${package%%-*}")" -p1 --forward --quiet < "$change"
done

mkdir -p "$sysroot/lib" "$sysroot/licenses"
# Built at build_place, where ROOT is given in it, with each library's time
# its Debian changelog's, as Debian builds it, and the locale and time zone
# that sort and print the same everywhere (FFmpeg's list of decoders).
export LC_ALL=C TZ=UTC
build=("$sysroot_scripts/in-root.sh" "${root:-/}" "$sysroot_root=$build_place/source"
       "$sysroot=$build_place/sysroot" "$work=$build_place/work" --)
build_library() {
  local name=$1 package=$2 source
  source=$(source_of "$package")
  SOURCE_DATE_EPOCH=$(dpkg-parsechangelog -l "$source/debian/changelog" -S Timestamp) \
    timed "$target: $name" "${build[@]}" "$build_place/source/scripts/sysroot/build-$package.sh" \
    "$target" "$build_place/work/$(basename "$source")" "$build_place/work/$package" \
    "$build_place/sysroot"
}
[ ${#openssl_target[@]} -eq 0 ] || build_library OpenSSL openssl
build_library dav1d dav1d
build_library FFmpeg ffmpeg
build_library OpenCV opencv
# What pkg-config and CMake read points at the sysroot where it is.
grep -rlZ "$build_place/sysroot" "$sysroot/lib" --include='*.pc' --include='*.cmake' |
  xargs -0 -r sed -i "s|$build_place/sysroot|$sysroot|g"

# FFmpeg is built under the LGPL 3, which builds on the GPL 3 (the archives
# take that text from Debian's common licences). Debian's copyright files
# name every other licence in each source, OpenCV's third-party code
# included.
cp "$(source_of ffmpeg)/LICENSE.md" "$sysroot/licenses/FFmpeg-LICENSE.md"
cp "$(source_of ffmpeg)/COPYING.LGPLv3" "$sysroot/licenses/FFmpeg-COPYING.LGPLv3.txt"
cp "$(source_of dav1d)/COPYING" "$sysroot/licenses/dav1d-COPYING.txt"
cp "$(source_of opencv)/LICENSE" "$sysroot/licenses/OpenCV-LICENSE.txt"
packages=(ffmpeg dav1d opencv)
if [ ${#openssl_target[@]} -gt 0 ]; then
  cp "$(source_of openssl)/LICENSE.txt" "$sysroot/licenses/OpenSSL-LICENSE.txt"
  packages+=(openssl)
fi
for package in "${packages[@]}"; do
  cp "$(source_of "$package")/debian/copyright" "$sysroot/licenses/$package-debian-copyright.txt"
done
rm -rf "$work"
touch "$sysroot/done"
