#!/usr/bin/env bash
# Builds charplay for any Linux with glibc 2.31 or newer on ARCH (x86_64,
# the default, aarch64, or armhf: 32-bit ARMv7 with NEON, packed as armv7l)
# and packs it, with its own OpenCV, a README, the
# man page, the sample video and the licences, as
# dist/charplay-<version>-linux-ARCH.tar.xz.
#
# OpenCV, with FFmpeg, dav1d and OpenSSL linked into it, comes as shared
# libraries in lib/ beside the program, found through $ORIGIN: its GTK 3
# window is a plugin there that loads only where GTK 3 is installed, and
# without it charplay plays in the terminal alone. They are built from
# Debian 12's sources, inside a Debian 11 root for its older glibc and
# libstdc++ (cross-built there for aarch64), into a sysroot kept between
# runs (scripts/sysroot/cache.sh). The program is built in that root too,
# in build-linux/ (build-linux-aarch64/).
#
# With --if-cached it installs nothing and builds only the program and the
# archive; without a sysroot it builds nothing and exits 3 (4 where what
# builds it is not installed). With --fresh (a release's way) the program
# is built in a fresh build folder.
#
#   build-linux.sh [aarch64|armhf] [--if-cached] [--fresh]
set -euo pipefail
cd "$(dirname "$0")/.."
arch=x86_64 debian=amd64 target=linux build=build-linux toolchain=()
case ${1:-} in
  aarch64)
    arch=aarch64 debian=arm64 target=linux-aarch64 build=build-linux-aarch64
    toolchain=(-DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/aarch64-linux-gnu.cmake") ;;
  armhf)
    arch=armv7l debian=armhf target=linux-armhf build=build-linux-armhf
    toolchain=(-DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/arm-linux-gnueabihf.cmake") ;;
esac
source scripts/sysroot/cache.sh
sysroot_start "$target" xz-utils python3 -- "$@"

# RPATH rather than RUNPATH: our libraries come first, even where
# LD_LIBRARY_PATH names a system OpenCV of the same soname.
sysroot_build_charplay "$build" "${toolchain[@]}" -DCMAKE_INSTALL_RPATH='$ORIGIN/lib' \
  -DCMAKE_BUILD_WITH_INSTALL_RPATH=ON -DCMAKE_EXE_LINKER_FLAGS=-Wl,--disable-new-dtags

# The root's packages of the architecture that hold the libraries FILEs
# need and lib/ does not hold, a line each; fails on a library that no
# one package of the root holds.
owners_of() {
  local triplet soname owner
  triplet=$(dpkg-architecture -a"$debian" -qDEB_HOST_MULTIARCH 2> /dev/null)
  for soname in $(readelf -d "$@" | sed -n 's/.*(NEEDED).*\[\(.*\)\]$/\1/p' | sort -u); do
    [ ! -e "$stage/lib/$soname" ] || continue
    owner=$(dpkg-query --admindir="$build_root/var/lib/dpkg" -S "*/$triplet/$soname" 2> /dev/null |
            sed -n "s|^\([^:, ]*:$debian\): .*/$triplet/$soname\$|\1|p" | sort -u)
    if [ "$(wc -w <<< "$owner")" -ne 1 ]; then
      echo "no one package of the root holds $soname" >&2
      return 1
    fi
    echo "$owner"
  done | sort -u
}
# Those packages as sbom.py takes them with SCOPE, but for those the
# OTHER files need too.
#
#   system_packages SCOPE FILE... [-- OTHER...]
system_packages() {
  local scope=$1 files=() owners
  shift
  while [ $# -gt 0 ] && [ "$1" != -- ]; do files+=("$1"); shift; done
  owners=$(owners_of "${files[@]}") || return
  [ $# -le 1 ] || owners=$(comm -23 <(echo "$owners") <(owners_of "${@:2}")) || return
  [ -z "$owners" ] || sbom_packages "$scope" "$build_root" $owners
}

version=$(scripts/version.sh)
name=charplay-$version-linux-$arch
stage=$build/$name
rm -rf "$stage" && mkdir -p "$stage/lib" "$stage/licenses"
# The root's strip knows the architecture.
strip=("$sysroot_scripts/in-root.sh" "$build_root" "$PWD" "$sysroot" -- "${target_prefix}strip")
"${strip[@]}" -o "$stage/charplay" "$build/charplay"
for library in "$sysroot"/lib/libopencv_*.so.[0-9]*[0-9] "$sysroot"/lib/libopencv_highgui_gtk3*.so; do
  [[ $library == *.so.*.* ]] && continue
  "${strip[@]}" --strip-unneeded -o "$stage/lib/$(basename "$library")" "$library"
done
sed -e "s/@VERSION@/$version/g" -e "s/@ARCH@/$arch/g" packaging/linux/README.txt > "$stage/README.txt"
cp "$build/charplay.1" samples/mandelbrot.mp4 "$stage/"
cp LICENSE "$stage/licenses/charplay-LICENSE.txt"
cp "$sysroot"/licenses/* "$stage/licenses/"
cp /usr/share/common-licenses/GPL-3 "$stage/licenses/GPL-3.txt"
program=("$stage/charplay" "$stage"/lib/libopencv_*.so.*)
required=$(system_packages required "${program[@]}")
optional=$(system_packages optional "$stage"/lib/libopencv_highgui_gtk3*.so -- "${program[@]}")
# What is built into its libraries, and what they load from the system, as
# the root that built them has it: required by the program, optional where
# only the window's plugin loads it.
SOURCE_DATE_EPOCH=$(scripts/epoch.sh) python3 scripts/sbom.py artefact "$stage/charplay.cdx.json" \
  "$name" "$version" "$sources" "debian-$sources_debian" "$sysroot" ffmpeg dav1d opencv openssl -- \
  $required $optional
mkdir -p dist
# The same bytes from the same commit: names sorted, owners, times and modes
# set rather than this machine's, and one thread, as xz's default was
# before 5.6.
XZ_OPT=-T1 tar -C "$build" --sort=name --owner=0 --group=0 --numeric-owner --mode=u+rw,go=rX \
  --mtime="@$(scripts/epoch.sh)" -cJf "dist/$name.tar.xz" "$name"
echo "dist/$name.tar.xz"
