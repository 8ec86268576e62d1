#!/usr/bin/env bash
# Builds OpenCV for TARGET into PREFIX: the modules charplay uses, video
# read through FFmpeg from PREFIX, windows drawn with the target's toolkit.
# Debian's source has no 3rdparty/ folder, so everything bundled there is
# off, and so are the image-format libraries; the target sets the CPU
# baseline Debian builds with, so that frames come out the same as on
# Debian. Records the configure line in
# PREFIX/share/charplay/opencv-configure.txt.
#
#   build-opencv.sh TARGET SOURCE_DIR BUILD_DIR PREFIX
set -euo pipefail
source "$(dirname "$0")/common.sh"
load_target "$1"
source_dir=$(cd "$2" && pwd)
build=$3
prefix=$4

off=(WITH_IPP WITH_ITT WITH_OPENCL WITH_OPENCLAMDFFT WITH_OPENCLAMDBLAS WITH_PROTOBUF
     WITH_GSTREAMER WITH_1394 WITH_QT WITH_OPENGL WITH_VTK WITH_EIGEN WITH_LAPACK WITH_ADE
     WITH_QUIRC WITH_TBB WITH_OPENMP WITH_CUDA WITH_VA WITH_VA_INTEL
     WITH_PNG WITH_JPEG WITH_TIFF WITH_WEBP WITH_OPENJPEG WITH_JASPER WITH_OPENEXR
     WITH_IMGCODEC_HDR WITH_IMGCODEC_SUNRASTER WITH_IMGCODEC_PXM WITH_IMGCODEC_PFM
     VIDEOIO_ENABLE_PLUGINS BUILD_TESTS BUILD_PERF_TESTS BUILD_EXAMPLES BUILD_opencv_apps
     BUILD_DOCS BUILD_JAVA BUILD_opencv_python3 BUILD_ZLIB CV_TRACE OPENCV_GENERATE_PKGCONFIG)
configure=(cmake -S "$source_dir" -B "$build" "${opencv_target[@]}"
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix"
  -DCMAKE_MODULE_PATH="$sysroot_root/cmake/sysroot" -DBUILD_LIST=core,imgproc,imgcodecs,videoio,highgui
  -DWITH_FFMPEG=ON -DOPENCV_FFMPEG_USE_FIND_PACKAGE=FFMPEG -DOPENCV_FFMPEG_SKIP_DOWNLOAD=ON
  -DENABLE_CONFIG_VERIFICATION=ON)
for option in "${off[@]}"; do configure+=("-D$option=OFF"); done
record "$prefix/share/charplay/opencv-configure.txt" "${configure[@]}"
export "$pkg_config_variable=$prefix/lib/pkgconfig"
logged "$build.configure.log" "${configure[@]}"
# Its build information names this machine's kernel; Debian drops it too.
sed -i "s|$(uname -sr)||" "$build/modules/core/version_string.inc"
logged "$build.make.log" cmake --build "$build" --parallel "$(nproc)"
logged "$build.install.log" cmake --install "$build"
