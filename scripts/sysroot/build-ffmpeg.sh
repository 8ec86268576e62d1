#!/usr/bin/env bash
# Builds FFmpeg's static libraries for TARGET into PREFIX, under the LGPL 3
# (no GPL or non-free part): every video decoder FFmpeg has without an
# outside library, AV1 through dav1d (built into PREFIX before), every
# demuxer and parser, and the network protocols, with TLS from the target
# (Windows' schannel, OpenSSL on Linux). Audio and subtitle decoders,
# encoders, muxers, filters and devices stay out. Records the configure
# line in PREFIX/share/charplay/ffmpeg-configure.txt.
#
# The video decoders are every one this FFmpeg's source defines as video
# (libavcodec/*.c), by the names its configure knows; configure itself
# drops those that need a library or a hardware API that is not there.
#
#   build-ffmpeg.sh TARGET SOURCE_DIR BUILD_DIR PREFIX
set -euo pipefail
source "$(dirname "$0")/common.sh"
load_target "$1"
source_dir=$(cd "$2" && pwd)
mkdir -p "$3" && cd "$3"
prefix=$4

known=$("$source_dir/configure" --list-decoders | tr -s ' \t' '\n')
# A definition's first media type is its own.
video_decoders=$(awk '
  /^const FFCodec ff_[a-z0-9_]+_decoder[ =]/ {
    name = $3; sub(/^ff_/, "", name); sub(/_decoder$/, "", name); next }
  name && /AVMEDIA_TYPE_/ { if (/AVMEDIA_TYPE_VIDEO/) print name; name = "" }
  /^};/ { name = "" }' "$source_dir"/libavcodec/*.c | grep -Fx "$known" | sort | paste -s -d ,)

configure=("$source_dir/configure" --prefix="$prefix" "${ffmpeg_target[@]}"
  --pkg-config="$pkg_config" --pkg-config-flags=--static --enable-static --disable-shared
  --disable-programs --disable-doc --disable-debug
  --disable-everything --disable-autodetect --enable-version3
  --disable-avdevice --disable-avfilter --disable-swresample --disable-postproc
  --enable-zlib --enable-libdav1d --enable-network
  --enable-decoder="$video_decoders" --enable-demuxers --enable-parsers --enable-bsfs
  --enable-protocols)
record "$prefix/share/charplay/ffmpeg-configure.txt" "${configure[@]}"
export "$pkg_config_variable=$prefix/lib/pkgconfig"
logged configure.log "${configure[@]}"
logged make.log make -j"$(nproc)"
logged install.log make install
