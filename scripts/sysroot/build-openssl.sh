#!/usr/bin/env bash
# Builds OpenSSL's static libraries for TARGET into PREFIX, for FFmpeg's
# TLS, where the target has no TLS of its own that FFmpeg can use. Records
# the Configure line in PREFIX/share/charplay/openssl-configure.txt.
#
#   build-openssl.sh TARGET SOURCE_DIR BUILD_DIR PREFIX
set -euo pipefail
source "$(dirname "$0")/common.sh"
load_target "$1"
source_dir=$(cd "$2" && pwd)
mkdir -p "$3" && cd "$3"
prefix=$4
configure=("$source_dir/Configure" "${openssl_target[@]}" --prefix="$prefix" --libdir=lib)
record "$prefix/share/charplay/openssl-configure.txt" "${configure[@]}"
logged configure.log "${configure[@]}"
logged make.log make -j"$(nproc)" build_libs
logged install.log make install_dev
