#!/usr/bin/env bash
# Builds dav1d, the AV1 decoder FFmpeg uses, as a static library for TARGET
# (windows or linux) into PREFIX, with meson. Writes the command it set up
# the build with to PREFIX/share/charplay/dav1d-configure.txt.
#
#   build-dav1d.sh TARGET SOURCE_DIR BUILD_DIR PREFIX
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/$1.sh"
source_dir=$(cd "$2" && pwd)
build=$3
prefix=$4
setup=(meson setup "$build" "$source_dir" "${dav1d_target[@]}" --prefix "$prefix" --libdir lib
       --buildtype release --default-library static -Db_staticpic=true
       -Denable_tools=false -Denable_tests=false -Denable_examples=false)
mkdir -p "$prefix/share/charplay"
echo "${setup[*]}" > "$prefix/share/charplay/dav1d-configure.txt"
"${setup[@]}" > "$build.log" 2>&1 || { tail -n 30 "$build.log"; exit 1; }
meson install -C "$build" > "$build.install.log" 2>&1 || { tail -n 30 "$build.install.log"; exit 1; }
