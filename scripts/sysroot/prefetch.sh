#!/usr/bin/env bash
# Brings into the cache what the cross builds and their tests would
# otherwise wait on the network for: the source packages and the Debian
# roots (the build root and the bare roots the archives are tried in; with
# --all, also the ARM ones the ARM archives and the packages are tried in).
# scripts/test.sh runs it in the background while the native build and
# tests have the cores; it builds nothing.
#
#   prefetch.sh [--all]
set -euo pipefail
source "$(dirname "$0")/cache.sh"
bare=(bullseye:amd64 trixie:amd64)
[ "${1:-}" = --all ] && bare+=(bullseye:arm64 bullseye:armhf)
mkdir -p "$cache"
timed "source packages" sources_ready "$(source_versions)" false
load_target linux
timed "Debian $target_root build root" root_ready build "$target_root" amd64 false \
  "${target_root_packages[@]}"
for root in "${bare[@]}"; do
  timed "Debian ${root%:*} ${root#*:} bare root" root_ready bare "${root%:*}" "${root#*:}" false
done
