#!/usr/bin/env bash
# Builds FFmpeg's static libraries for 64-bit Windows into PREFIX: only the
# video decoding that charplay's reader uses, for the formats people's
# files come in. No AV1: FFmpeg decodes it only through a library of its own.
#
#   build-ffmpeg.sh SOURCE_DIR BUILD_DIR PREFIX
set -euo pipefail
source_dir=$(cd "$1" && pwd)
mkdir -p "$2" && cd "$2"

list() { local IFS=,; echo "$*"; }
decoders=(h264 hevc mpeg4 mpeg1video mpeg2video vp8 vp9 vp6 vp6a vp6f theora
          mjpeg mjpegb ffv1 rawvideo png gif h263 h263i h263p flv msmpeg4v1 msmpeg4v2
          msmpeg4v3 wmv1 wmv2 wmv3 vc1 prores dnxhd dvvideo huffyuv utvideo qtrle
          cinepak svq1 svq3)
demuxers=(mov matroska avi mpegts mpegps mpegvideo h264 hevc m4v flv asf ogg ivf
          mjpeg gif nut dv yuv4mpegpipe)
parsers=(h264 hevc mpeg4video mpegvideo vp8 vp9 vp3 mjpeg png vc1 h263 dnxhd gif)

"$source_dir/configure" --prefix="$3" \
  --target-os=mingw32 --arch=x86_64 --cross-prefix=x86_64-w64-mingw32- \
  --cc=x86_64-w64-mingw32-gcc-posix --cxx=x86_64-w64-mingw32-g++-posix \
  --pkg-config=pkg-config --enable-static --disable-shared \
  --disable-programs --disable-doc --disable-debug \
  --disable-everything --disable-autodetect --disable-network \
  --disable-avdevice --disable-avfilter --disable-swresample --disable-postproc \
  --enable-w32threads --enable-zlib \
  --enable-decoder="$(list "${decoders[@]}")" --enable-demuxer="$(list "${demuxers[@]}")" \
  --enable-parser="$(list "${parsers[@]}")" --enable-protocol=file \
  --enable-bsf=h264_mp4toannexb,hevc_mp4toannexb > configure.log 2>&1 ||
  { tail -n 30 configure.log; exit 1; }
make -j"$(nproc)" > make.log 2>&1 || { tail -n 30 make.log; exit 1; }
make install > /dev/null
