# The portable Linux archive for 32-bit ARM: ARMv7 with hard float and NEON,
# which every Raspberry Pi from the Pi 2 on has (Debian's armhf baseline
# lacks NEON, so it is asked for here). linux.sh, cross-built with Debian's
# arm-linux-gnueabihf compilers in the same Debian 11 root.
linux_arch=armhf
source "$sysroot_scripts/linux.sh"

target_tools=(gcc g++ make cmake meson ninja-build nasm pkg-config perl
              gcc-arm-linux-gnueabihf g++-arm-linux-gnueabihf libc6-dev-armhf-cross
              libstdc++-10-dev-armhf-cross zlib1g-dev:armhf libgtk-3-dev:armhf)
target_key_files+=(cmake/arm-linux-gnueabihf.cmake)
target_build="scripts/build-linux.sh armhf"
target_prefix=arm-linux-gnueabihf-
pkg_config=arm-linux-gnueabihf-pkg-config
neon=(-march=armv7-a -mfpu=neon -mfloat-abi=hard)
dav1d_target=(--cross-file "$sysroot_scripts/linux-armhf.meson")
ffmpeg_target+=(--enable-cross-compile --target-os=linux --arch=arm --cpu=armv7-a --enable-neon
                --cross-prefix=arm-linux-gnueabihf- --extra-cflags="${neon[*]}")
openssl_target=(linux-armv4 --cross-compile-prefix=arm-linux-gnueabihf- "${neon[@]}"
                "${openssl_target[@]}")
# OpenCV turns NEON off on 32-bit ARM unless ENABLE_NEON asks for it.
opencv_target+=(-DCMAKE_TOOLCHAIN_FILE="$sysroot_root/cmake/arm-linux-gnueabihf.cmake"
                -DENABLE_NEON=ON -DCPU_BASELINE=NEON)
