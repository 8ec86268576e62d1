#!/usr/bin/env bash
# Cross-builds charplay.exe for 64-bit Windows on Debian and packs it, with
# a README, the sample video and the licences of what is linked in, as
# dist/charplay-<version>-windows-x64.zip.
#
# FFmpeg, dav1d and OpenCV are built from Debian's sources, at the versions
# of the packages installed here, into a sysroot that is kept between runs
# (scripts/sysroot/cache.sh says where and for how long). The exe's build
# stays in build-windows/.
#
# With --if-cached (the tests' way to keep the exe current) it installs
# nothing and builds only the exe and the zip; without a sysroot it builds
# nothing and exits 3 (4 where what builds it is not installed). With
# --fresh (a release's way) the exe is built in a fresh build folder.
#
#   build-windows.sh [--if-cached] [--fresh]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
source scripts/sysroot/cache.sh
sysroot_start windows zip python3 -- "$@"

build=build-windows
sysroot_build_charplay "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake"

version=$(scripts/version.sh)
name=charplay-$version-windows-x64
stage=$build/$name
rm -rf "$stage" && mkdir -p "$stage/licenses"
# strip stamps the exe's header with the time it writes it, or this one.
SOURCE_DATE_EPOCH=$(scripts/epoch.sh) x86_64-w64-mingw32-strip -o "$stage/charplay.exe" \
  "$build/charplay.exe"
sed -e "s/@VERSION@/$version/g" -e 's/$/\r/' packaging/windows/README.txt > "$stage/README.txt"
cp samples/mandelbrot.mp4 "$stage/"
cp LICENSE "$stage/licenses/charplay-LICENSE.txt"
cp "$sysroot"/licenses/* "$stage/licenses/"
cp /usr/share/doc/libz-mingw-w64-dev/copyright "$stage/licenses/zlib.txt"
cp /usr/share/doc/mingw-w64-x86-64-dev/copyright "$stage/licenses/mingw-w64-and-winpthreads.txt"
cp /usr/share/doc/gcc-mingw-w64-base/copyright "$stage/licenses/GCC-runtime-exception.txt"
cp /usr/share/common-licenses/GPL-3 "$stage/licenses/GPL-3.txt"
# What is built into the exe: the sysroot's libraries, and the runtime the
# compiler links in (-static: the exe loads no DLL but Windows' own), from
# the packages that hold the files it links.
runtime=(crt2.o libmingw32.a libmingwex.a libmsvcrt.a libwinpthread.a libgcc.a libgcc_eh.a
         libstdc++.a libz.a)
owners=$(for file in "${runtime[@]}"; do
  dpkg-query -S "$(realpath "$(x86_64-w64-mingw32-g++-posix -print-file-name="$file")")"
done | cut -d : -f 1 | sort -u)
linked=$(sbom_packages linked "" $owners)
SOURCE_DATE_EPOCH=$(scripts/epoch.sh) python3 scripts/sbom.py artefact "$stage/charplay.cdx.json" \
  "$name" "$version" "$sources" "debian-$sources_debian" "$sysroot" ffmpeg dav1d opencv -- $linked
mkdir -p dist
rm -f "dist/$name.zip"
# The same bytes from the same commit: names sorted, times and modes set
# rather than this machine's, no extra fields (zip's times are local: UTC).
chmod -R u+rw,go=rX "$stage"
find "$stage" -exec touch -h -d "@$(scripts/epoch.sh)" {} +
(cd "$build" && find "$name" | LC_ALL=C sort | TZ=UTC zip -q -X -@ "$root/dist/$name.zip")
echo "dist/$name.zip"
