# The portable Linux archive, for x86_64 or, where linux_arch is aarch64
# (linux-aarch64.sh), for 64-bit ARM: built inside a Debian 11 root, so that
# it needs no newer glibc than 2.31 and no newer libstdc++ than GCC 10's,
# cross-built there with Debian's aarch64-linux-gnu compilers against the
# root's arm64 libraries for ARM (linux-armhf.sh: arm-linux-gnueabihf); OpenSSL built static for TLS; OpenCV as
# shared libraries found beside the program, so that its GTK 3 window can be
# a plugin that loads only where GTK does.
linux_arch=${linux_arch:-x86_64}

target_packages=(debootstrap)
target_root=bullseye
# One root for the three architectures.
target_root_packages=(g++ make cmake meson ninja-build nasm pkg-config perl
                      zlib1g-dev libgtk-3-dev
                      crossbuild-essential-arm64 zlib1g-dev:arm64 libgtk-3-dev:arm64
                      crossbuild-essential-armhf zlib1g-dev:armhf libgtk-3-dev:armhf)
target_tools=(gcc g++ libc6-dev libstdc++-10-dev make cmake meson ninja-build nasm pkg-config
              perl zlib1g-dev libgtk-3-dev)
target_key_files=()
target_build="scripts/build-linux.sh"

# FFmpeg is linked into OpenCV's shared video library, hence position
# independent code.
ffmpeg_target=(--enable-pic --enable-pthreads --enable-openssl)

# Only the libraries: FFmpeg needs nothing else of it. Our FFmpeg patch
# finds the system's CA certificates wherever its distribution keeps them.
openssl_target=(--openssldir=/usr/lib/ssl no-shared no-tests)

# FFmpeg's assembly refers to its own symbols in a way that only links where
# they stay inside the library: --exclude-libs hides everything the static
# libraries bring, which also keeps FFmpeg and OpenSSL out of OpenCV's
# interface.
opencv_target=(-DBUILD_SHARED_LIBS=ON -DCMAKE_INSTALL_RPATH='$ORIGIN'
               -DCMAKE_SHARED_LINKER_FLAGS=-Wl,--exclude-libs,ALL
               -DWITH_GTK=ON -DHIGHGUI_ENABLE_PLUGINS=ON -DHIGHGUI_PLUGIN_LIST=gtk3)

# GTK is found among the root's libraries, FFmpeg and OpenSSL before them;
# zlib stays the system's (it is everywhere).
pkg_config=pkg-config
pkg_config_variable=PKG_CONFIG_PATH

case $linux_arch in
  x86_64)
    target_prefix=
    dav1d_target=()
    openssl_target=(linux-x86_64 "${openssl_target[@]}")
    # Debian's CPU baseline for amd64. Precompiled headers take a quarter
    # off OpenCV's build; OpenCV makes them wrongly in cross builds.
    opencv_target+=(-DCPU_BASELINE=SSE2 -DCPU_BASELINE_DISABLE=SSE3
                    -DENABLE_PRECOMPILED_HEADERS=ON)
    ;;
  aarch64)
    target_prefix=aarch64-linux-gnu-
    target_tools+=(gcc-aarch64-linux-gnu g++-aarch64-linux-gnu libc6-dev-arm64-cross
                   libstdc++-10-dev-arm64-cross zlib1g-dev:arm64 libgtk-3-dev:arm64)
    target_key_files+=(cmake/aarch64-linux-gnu.cmake)
    target_build="scripts/build-linux.sh aarch64"
    pkg_config=aarch64-linux-gnu-pkg-config
    dav1d_target=(--cross-file "$sysroot_scripts/linux-aarch64.meson")
    ffmpeg_target+=(--enable-cross-compile --target-os=linux --arch=aarch64
                    --cross-prefix=aarch64-linux-gnu-)
    openssl_target=(linux-aarch64 --cross-compile-prefix=aarch64-linux-gnu- "${openssl_target[@]}")
    # NEON, Debian's baseline for arm64, is OpenCV's default.
    opencv_target+=(-DCMAKE_TOOLCHAIN_FILE="$sysroot_root/cmake/aarch64-linux-gnu.cmake")
    ;;
esac
