#!/usr/bin/env bash
# Builds FFmpeg's static libraries for 64-bit Windows into PREFIX, under the
# LGPL 3 (no GPL or non-free part): every video decoder FFmpeg has without
# an outside library, AV1 through dav1d (built into PREFIX before), every
# demuxer and parser, and the network protocols, with TLS from Windows' own
# schannel. Audio and subtitle decoders, encoders, muxers, filters and
# devices stay out.
#
# The video decoders are those that Debian's build of the same FFmpeg lists
# (ffmpeg -decoders), less the names this configure does not know;
# configure itself drops those that need a library or a hardware API that
# is not there.
#
# Our one change to FFmpeg: a refused connection fails at once on Windows
# (ffmpeg-connect-errors.patch says why).
#
#   build-ffmpeg.sh SOURCE_DIR BUILD_DIR PREFIX
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$1" && pwd)
mkdir -p "$2" && cd "$2"
prefix=$3
patch -d "$source_dir" -p1 --forward --quiet < "$here/ffmpeg-connect-errors.patch"

known=$("$source_dir/configure" --list-decoders | tr -s ' \t' '\n')
video_decoders=$(ffmpeg -hide_banner -decoders | awk '$1 ~ /^V/ && $2 != "=" { print $2 }' |
                 grep -Fx "$known" | paste -s -d ,)

PKG_CONFIG_LIBDIR=$prefix/lib/pkgconfig "$source_dir/configure" --prefix="$prefix" \
  --target-os=mingw32 --arch=x86_64 --cross-prefix=x86_64-w64-mingw32- \
  --cc=x86_64-w64-mingw32-gcc-posix --cxx=x86_64-w64-mingw32-g++-posix \
  --pkg-config=pkg-config --pkg-config-flags=--static --enable-static --disable-shared \
  --disable-programs --disable-doc --disable-debug \
  --disable-everything --disable-autodetect --enable-version3 \
  --disable-avdevice --disable-avfilter --disable-swresample --disable-postproc \
  --enable-w32threads --enable-zlib --enable-libdav1d --enable-network --enable-schannel \
  --enable-decoder="$video_decoders" --enable-demuxers --enable-parsers --enable-bsfs \
  --enable-protocols > configure.log 2>&1 || { tail -n 30 configure.log; exit 1; }
make -j"$(nproc)" > make.log 2>&1 || { tail -n 30 make.log; exit 1; }
make install > /dev/null
