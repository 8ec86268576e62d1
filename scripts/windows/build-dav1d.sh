#!/usr/bin/env bash
# Builds dav1d, the AV1 decoder FFmpeg uses, as a static library for 64-bit
# Windows into PREFIX, with meson and the -posix mingw-w64 compilers.
#
#   build-dav1d.sh SOURCE_DIR BUILD_DIR PREFIX
set -euo pipefail
source_dir=$(cd "$1" && pwd)
build=$2
mkdir -p "$build"
cat > "$build.cross" <<'CROSS'
[binaries]
c = 'x86_64-w64-mingw32-gcc-posix'
cpp = 'x86_64-w64-mingw32-g++-posix'
ar = 'x86_64-w64-mingw32-ar'
strip = 'x86_64-w64-mingw32-strip'
windres = 'x86_64-w64-mingw32-windres'
pkgconfig = 'pkg-config'

[host_machine]
system = 'windows'
cpu_family = 'x86_64'
cpu = 'x86_64'
endian = 'little'
CROSS
meson setup "$build" "$source_dir" --cross-file "$build.cross" --prefix "$3" --libdir lib \
  --buildtype release --default-library static \
  -Denable_tools=false -Denable_tests=false -Denable_examples=false > "$build.log" 2>&1 ||
  { tail -n 30 "$build.log"; exit 1; }
meson install -C "$build" > "$build.install.log" 2>&1 || { tail -n 30 "$build.install.log"; exit 1; }
