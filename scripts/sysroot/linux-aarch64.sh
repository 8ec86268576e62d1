# The portable Linux archive for 64-bit ARM: linux.sh, cross-built.
linux_arch=aarch64
source "$sysroot_scripts/linux.sh"
