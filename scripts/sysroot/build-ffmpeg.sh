#!/usr/bin/env bash
# Builds FFmpeg's static libraries for TARGET (windows or linux) into
# PREFIX, under the LGPL 3 (no GPL or non-free part): every video decoder
# FFmpeg has without an outside library, AV1 through dav1d (built into
# PREFIX before), every demuxer and parser, and the network protocols, with
# TLS from the target (Windows' schannel, OpenSSL on Linux). Audio and
# subtitle decoders, encoders, muxers, filters and devices stay out. Writes
# the configure line to PREFIX/share/charplay/ffmpeg-configure.txt.
#
# The video decoders are those that Debian's build of the same FFmpeg lists
# (ffmpeg -decoders), less the names this configure does not know;
# configure itself drops those that need a library or a hardware API that
# is not there.
#
# Our one change to FFmpeg: a refused connection fails at once on Windows
# (ffmpeg-connect-errors.patch says why).
#
#   build-ffmpeg.sh TARGET SOURCE_DIR BUILD_DIR PREFIX
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/$1.sh"
source_dir=$(cd "$2" && pwd)
mkdir -p "$3" && cd "$3"
prefix=$4
patch -d "$source_dir" -p1 --forward --quiet < "$here/ffmpeg-connect-errors.patch"

known=$("$source_dir/configure" --list-decoders | tr -s ' \t' '\n')
video_decoders=$(ffmpeg -hide_banner -decoders | awk '$1 ~ /^V/ && $2 != "=" { print $2 }' |
                 grep -Fx "$known" | paste -s -d ,)

configure=("$source_dir/configure" --prefix="$prefix" "${ffmpeg_target[@]}"
  --pkg-config=pkg-config --pkg-config-flags=--static --enable-static --disable-shared
  --disable-programs --disable-doc --disable-debug
  --disable-everything --disable-autodetect --enable-version3
  --disable-avdevice --disable-avfilter --disable-swresample --disable-postproc
  --enable-zlib --enable-libdav1d --enable-network
  --enable-decoder="$video_decoders" --enable-demuxers --enable-parsers --enable-bsfs
  --enable-protocols)
mkdir -p "$prefix/share/charplay"
echo "${configure[*]}" > "$prefix/share/charplay/ffmpeg-configure.txt"
export "$pkg_config_variable=$prefix/lib/pkgconfig"
"${configure[@]}" > configure.log 2>&1 || { tail -n 30 configure.log; exit 1; }
make -j"$(nproc)" > make.log 2>&1 || { tail -n 30 make.log; exit 1; }
make install > /dev/null
