#!/usr/bin/env bash
# Brings into the cache what the cross builds and their tests would
# otherwise wait on the network for: the source packages and every Debian
# root (the build root and the bare roots the archives and packages are
# tried in). scripts/test.sh runs it in the background while the native
# build and tests have the cores; it builds nothing.
set -euo pipefail
source "$(dirname "$0")/cache.sh"
mkdir -p "$cache"
timed "source packages" sources_ready "$("$sysroot_scripts/fetch-sources.sh" --versions-only)" false
load_target linux
timed "Debian $target_root build root" root_ready build "$target_root" amd64 false \
  "${target_root_packages[@]}"
for bare in bullseye:amd64 trixie:amd64 bullseye:arm64 bullseye:armhf; do
  timed "Debian ${bare%:*} ${bare#*:} bare root" root_ready bare "${bare%:*}" "${bare#*:}" false
done
