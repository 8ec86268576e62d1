# What builds the sysroot for 64-bit Windows: mingw-w64's -posix compilers
# (OpenCV needs std::mutex), Windows' own threads, TLS and windows.
# Sourced by the sysroot's scripts.

# Installed to build it; the versions of those marked as tools go into the key.
target_packages=(g++-mingw-w64-x86-64 libz-mingw-w64-dev)
target_tools=(gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix
              gcc-mingw-w64-x86-64-posix-runtime mingw-w64-x86-64-dev
              binutils-mingw-w64-x86-64 libz-mingw-w64-dev)
target_key_files=(cmake/mingw-w64.cmake)

dav1d_target=(--cross-file "$(dirname "${BASH_SOURCE[0]}")/windows.meson")

ffmpeg_target=(--target-os=mingw32 --arch=x86_64 --cross-prefix=x86_64-w64-mingw32-
               --cc=x86_64-w64-mingw32-gcc-posix --cxx=x86_64-w64-mingw32-g++-posix
               --enable-w32threads --enable-schannel)

opencv_target=(-DCMAKE_TOOLCHAIN_FILE="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/cmake/mingw-w64.cmake"
               -DBUILD_SHARED_LIBS=OFF -DWITH_WIN32UI=ON -DWITH_GTK=OFF -DWITH_PTHREADS_PF=OFF
               -DWITH_MSMF=OFF -DWITH_DSHOW=OFF -DWITH_OBSENSOR=OFF -DWITH_DIRECTX=OFF
               -DZLIB_LIBRARY=/usr/x86_64-w64-mingw32/lib/libz.a
               -DZLIB_INCLUDE_DIR=/usr/x86_64-w64-mingw32/include)

# Only the sysroot's own libraries: the system's are Linux's.
pkg_config_variable=PKG_CONFIG_LIBDIR

target_prepare() {
  mkdir -p "$1/licenses"
}
