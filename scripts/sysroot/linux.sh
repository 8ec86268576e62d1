# The portable Linux archive for x86_64: built inside a Debian 11 root, so
# that it needs no newer glibc than 2.31 and no newer libstdc++ than GCC
# 10's; OpenSSL built static for TLS; OpenCV as shared libraries found
# beside the program, so that its GTK 3 window can be a plugin that loads
# only where GTK does.

target_packages=(debootstrap)
target_root=bullseye
target_root_packages=(g++ make cmake meson ninja-build nasm pkg-config perl
                      zlib1g-dev libgtk-3-dev)
target_tools=(gcc g++ libc6-dev libstdc++-10-dev make cmake meson ninja-build nasm pkg-config
              perl zlib1g-dev libgtk-3-dev)
target_key_files=()

dav1d_target=()

# FFmpeg is linked into OpenCV's shared video library, hence position
# independent code.
ffmpeg_target=(--enable-pic --enable-pthreads --enable-openssl)

# Only the libraries: FFmpeg needs nothing else of it. Certificates are
# looked for where Debian keeps them, as Debian's own OpenSSL does.
openssl_target=(linux-x86_64 --openssldir=/usr/lib/ssl no-shared no-tests)

# FFmpeg's assembly refers to its own symbols in a way that only links where
# they stay inside the library: --exclude-libs hides everything the static
# libraries bring, which also keeps FFmpeg and OpenSSL out of OpenCV's
# interface. The CPU baseline is Debian's for amd64.
opencv_target=(-DCPU_BASELINE=SSE2 -DCPU_BASELINE_DISABLE=SSE3
               -DBUILD_SHARED_LIBS=ON -DCMAKE_INSTALL_RPATH='$ORIGIN'
               -DCMAKE_SHARED_LINKER_FLAGS=-Wl,--exclude-libs,ALL
               -DWITH_GTK=ON -DHIGHGUI_ENABLE_PLUGINS=ON -DHIGHGUI_PLUGIN_LIST=gtk3)

# GTK is found among the root's libraries, FFmpeg and OpenSSL before them;
# zlib stays the system's (it is everywhere).
pkg_config_variable=PKG_CONFIG_PATH
