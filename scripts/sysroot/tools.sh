#!/usr/bin/env bash
# Prints what building the sysroots of every target needs installed here, a
# package a line: scripts/test.sh installs it with the rest in one go.
set -euo pipefail
source "$(dirname "$0")/cache.sh"
for target in windows linux linux-aarch64 linux-armhf; do
  sysroot_tools "$target"
done | sort -u
