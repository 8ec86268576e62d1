# What builds the sysroot for the portable Linux archive: the system's own
# compiler, OpenSSL's static libraries for TLS, and OpenCV as shared
# libraries found beside the program, so that its GTK 3 window can be a
# plugin that loads only where GTK does. Sourced by the sysroot's scripts.

target_packages=(g++ libssl-dev zlib1g-dev libgtk-3-dev)
target_tools=(gcc g++ libc6-dev libssl-dev zlib1g-dev libgtk-3-dev)
target_key_files=()

dav1d_target=()

# FFmpeg is linked into OpenCV's shared video library, hence position
# independent code.
ffmpeg_target=(--enable-pic --enable-pthreads --enable-openssl)

# FFmpeg's assembly refers to its own symbols in a way that only links where
# they stay inside the library: --exclude-libs hides everything the static
# libraries bring, which also keeps FFmpeg out of OpenCV's interface.
opencv_target=(-DBUILD_SHARED_LIBS=ON -DCMAKE_INSTALL_RPATH='$ORIGIN'
               -DCMAKE_SHARED_LINKER_FLAGS=-Wl,--exclude-libs,ALL
               -DWITH_GTK=ON -DHIGHGUI_ENABLE_PLUGINS=ON -DHIGHGUI_PLUGIN_LIST=gtk3)

# GTK is found among the system's libraries, FFmpeg and dav1d before them.
pkg_config_variable=PKG_CONFIG_PATH

# OpenSSL's static libraries where FFmpeg's link line looks first, so that
# no libssl is needed where the archive runs; zlib stays the system's (it
# is everywhere, and Debian's static copy cannot go into a shared library).
target_prepare() {
  mkdir -p "$1/lib" "$1/licenses"
  cp /usr/lib/x86_64-linux-gnu/libssl.a /usr/lib/x86_64-linux-gnu/libcrypto.a "$1/lib/"
  cp /usr/share/doc/libssl-dev/copyright "$1/licenses/OpenSSL-copyright.txt"
}
