#!/usr/bin/env bash
# Builds FFmpeg's static libraries for TARGET into PREFIX, under the LGPL 3
# (no GPL or non-free part): every video decoder FFmpeg has without an
# outside library, AV1 through dav1d (built into PREFIX before), every
# demuxer and parser, and the network protocols, with TLS from the target
# (Windows' schannel, OpenSSL on Linux). Audio and subtitle decoders,
# encoders, muxers, filters and devices stay out. Records the configure
# line in PREFIX/share/charplay/ffmpeg-configure.txt.
#
# The video decoders are those of its registry that video_decoders.py places
# as video and as FFmpeg's own; a build in which configure leaves one out
# fails.
#
#   build-ffmpeg.sh TARGET SOURCE_DIR BUILD_DIR PREFIX
set -euo pipefail
source "$(dirname "$0")/common.sh"
load_target "$1"
source_dir=$(cd "$2" && pwd)
mkdir -p "$3" && cd "$3"
prefix=$4

video_decoders=$(python3 "$(dirname "$0")/video_decoders.py" "$source_dir")

configure=("$source_dir/configure" --prefix="$prefix" "${ffmpeg_target[@]}"
  --pkg-config="$pkg_config" --pkg-config-flags=--static --enable-static --disable-shared
  --disable-programs --disable-doc --disable-debug
  --disable-everything --disable-autodetect --enable-version3
  --disable-avdevice --disable-avfilter --disable-swresample --disable-postproc
  --enable-zlib --enable-libdav1d --enable-network
  --enable-decoder="$video_decoders,libdav1d" --enable-demuxers --enable-parsers --enable-bsfs
  --enable-protocols)
record "$prefix/share/charplay/ffmpeg-configure.txt" "${configure[@]}"
export "$pkg_config_variable=$prefix/lib/pkgconfig"
logged configure.log "${configure[@]}"
# Configure drops, without a word, a decoder whose dependency it finds
# missing. What it enabled is in config_components.h (config.h before 5.1).
left_out=$(tr , '\n' <<< "$video_decoders" | while read -r name; do
  grep -qx "#define CONFIG_${name^^}_DECODER 1" config*.h || echo "$name"
done | paste -s -d ' ')
if [ -n "$left_out" ]; then
  echo "build-ffmpeg.sh: configure left out these video decoders: $left_out" >&2
  exit 1
fi
logged make.log make -j"$(nproc)"
logged install.log make install
