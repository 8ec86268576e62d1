#!/usr/bin/env bash
# Builds dav1d, the AV1 decoder FFmpeg uses, as a static library for TARGET
# into PREFIX, with meson. Records the command it set up the build with in
# PREFIX/share/charplay/dav1d-configure.txt.
#
#   build-dav1d.sh TARGET SOURCE_DIR BUILD_DIR PREFIX
set -euo pipefail
source "$(dirname "$0")/common.sh"
load_target "$1"
source_dir=$(cd "$2" && pwd)
build=$3
prefix=$4
setup=(meson setup "$build" "$source_dir" "${dav1d_target[@]}" --prefix "$prefix" --libdir lib
       --buildtype release --default-library static -Db_staticpic=true
       -Denable_tools=false -Denable_tests=false -Denable_examples=false)
record "$prefix/share/charplay/dav1d-configure.txt" "${setup[@]}"
logged "$build.log" "${setup[@]}"
logged "$build.install.log" meson install -C "$build"
