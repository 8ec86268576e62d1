# 64-bit Windows: mingw-w64's -posix compilers (OpenCV needs std::mutex),
# Windows' own TLS and windows.

target_packages=(cmake make pkg-config nasm meson ninja-build g++-mingw-w64-x86-64
                 libz-mingw-w64-dev)
target_root=
target_root_packages=()
target_tools=(cmake make pkg-config nasm meson ninja-build
              gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix
              gcc-mingw-w64-x86-64-posix-runtime mingw-w64-x86-64-dev
              binutils-mingw-w64-x86-64 libz-mingw-w64-dev)
target_key_files=(cmake/mingw-w64.cmake)
target_build=scripts/build-windows.sh
target_prefix=x86_64-w64-mingw32-

dav1d_target=(--cross-file "$sysroot_scripts/windows.meson")

# Threads through winpthreads (which the exe links for std::mutex anyway)
# and a lean windows.h: FFmpeg's own Win32 threads and its sockets put the
# whole of windows.h into most of its files, which built two and a half
# times as slowly as on Linux.
ffmpeg_target=(--target-os=mingw32 --arch=x86_64 --cross-prefix=x86_64-w64-mingw32-
               --cc=x86_64-w64-mingw32-gcc-posix --cxx=x86_64-w64-mingw32-g++-posix
               --enable-pthreads --disable-w32threads --extra-cflags=-DWIN32_LEAN_AND_MEAN
               --enable-schannel)

openssl_target=()

# The CPU baseline is Debian's for amd64.
opencv_target=(-DCPU_BASELINE=SSE2 -DCPU_BASELINE_DISABLE=SSE3
               -DCMAKE_TOOLCHAIN_FILE="$sysroot_root/cmake/mingw-w64.cmake"
               -DBUILD_SHARED_LIBS=OFF -DWITH_WIN32UI=ON -DWITH_GTK=OFF -DWITH_PTHREADS_PF=OFF
               -DWITH_MSMF=OFF -DWITH_DSHOW=OFF -DWITH_OBSENSOR=OFF -DWITH_DIRECTX=OFF
               -DZLIB_LIBRARY=/usr/x86_64-w64-mingw32/lib/libz.a
               -DZLIB_INCLUDE_DIR=/usr/x86_64-w64-mingw32/include)

# Only the sysroot's own libraries: the system's are Linux's.
pkg_config=pkg-config
pkg_config_variable=PKG_CONFIG_LIBDIR

# Built on this machine rather than in a root: with Debian's tools alone,
# whatever else PATH holds (OpenCV's build information names the Python it
# found, a pyenv's or a venv's otherwise).
PATH=/usr/bin:/bin:/usr/sbin:/sbin
# NASM stamps each COFF object with the time it was assembled; ELF has none.
export NASMENV=--reproducible
