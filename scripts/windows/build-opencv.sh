#!/usr/bin/env bash
# Builds OpenCV's static libraries for 64-bit Windows into PREFIX: the
# modules charplay uses, video read through FFmpeg from PREFIX, windows
# drawn with Win32. Debian's source has no 3rdparty/ folder, so everything
# bundled there is off; the CPU baseline is Debian's, so that frames come
# out the same as on Debian.
#
#   build-opencv.sh SOURCE_DIR BUILD_DIR PREFIX
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
source_dir=$(cd "$1" && pwd)
build=$2
prefix=$3
mingw=/usr/x86_64-w64-mingw32/lib

off=(WITH_IPP WITH_ITT WITH_OPENCL WITH_OPENCLAMDFFT WITH_OPENCLAMDBLAS WITH_PROTOBUF
     WITH_MSMF WITH_DSHOW WITH_OBSENSOR WITH_GSTREAMER WITH_1394 WITH_QT WITH_GTK
     WITH_OPENGL WITH_VTK WITH_EIGEN WITH_LAPACK WITH_ADE WITH_QUIRC WITH_TBB
     WITH_OPENMP WITH_CUDA WITH_VA WITH_VA_INTEL WITH_DIRECTX WITH_PTHREADS_PF
     WITH_PNG WITH_JPEG WITH_TIFF WITH_WEBP WITH_OPENJPEG WITH_JASPER WITH_OPENEXR
     WITH_IMGCODEC_HDR WITH_IMGCODEC_SUNRASTER WITH_IMGCODEC_PXM WITH_IMGCODEC_PFM
     VIDEOIO_ENABLE_PLUGINS HIGHGUI_ENABLE_PLUGINS BUILD_SHARED_LIBS BUILD_TESTS
     BUILD_PERF_TESTS BUILD_EXAMPLES BUILD_opencv_apps BUILD_DOCS BUILD_JAVA
     BUILD_opencv_python3 BUILD_ZLIB CV_TRACE OPENCV_GENERATE_PKGCONFIG)
flags=()
for option in "${off[@]}"; do flags+=("-D$option=OFF"); done

PKG_CONFIG_LIBDIR=$prefix/lib/pkgconfig cmake -S "$source_dir" -B "$build" \
  -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-w64.cmake" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_MODULE_PATH="$here/cmake/windows" \
  -DBUILD_LIST=core,imgproc,imgcodecs,videoio,highgui \
  -DWITH_FFMPEG=ON -DOPENCV_FFMPEG_USE_FIND_PACKAGE=FFMPEG -DOPENCV_FFMPEG_SKIP_DOWNLOAD=ON \
  -DWITH_WIN32UI=ON -DENABLE_CONFIG_VERIFICATION=ON \
  -DCPU_BASELINE=SSE2 -DCPU_BASELINE_DISABLE=SSE3 \
  -DZLIB_LIBRARY="$mingw/libz.a" -DZLIB_INCLUDE_DIR=/usr/x86_64-w64-mingw32/include \
  "${flags[@]}" > "$build.configure.log" 2>&1 || { tail -n 30 "$build.configure.log"; exit 1; }
cmake --build "$build" --parallel "$(nproc)" > "$build.make.log" 2>&1 ||
  { tail -n 30 "$build.make.log"; exit 1; }
cmake --install "$build" > /dev/null
