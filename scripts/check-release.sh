#!/usr/bin/env bash
# Checks a release: builds it again from its own source archive, unpacked
# in a fresh folder, and compares every file with the release's SHA256SUMS.
# DIR holds the release as published (SHA256SUMS and the source archive at
# least); OUT, where given, keeps the files built again. The sysroots are
# built from the archive's Debian sources into the cache, the first time
# (about fifty minutes), and reused after.
#
#   check-release.sh DIR [OUT]
set -euo pipefail
dir=$(realpath "$1")
sums=$dir/SHA256SUMS
archive=$(sed -n 's/^[0-9a-f]*  \(charplay-[0-9.]*-sources\.tar\.xz\)$/\1/p' "$sums")
[ -n "$archive" ] || { echo "check-release.sh: $sums names no source archive"; exit 1; }
# What is built again is what was published.
(cd "$dir" && grep -F "  $archive" "$sums" | sha256sum -c --strict --quiet)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
tar -xJf "$dir/$archive" -C "$work"
unpacked=$work/${archive%.tar.xz}
tree=$(echo "$unpacked"/charplay-*/)
CHARPLAY_SOURCE_PACKAGES=$unpacked/debian CHARPLAY_SOURCE_ARCHIVE=$dir/$archive \
  "$tree/scripts/release.sh" > /dev/null
if [ -n "${2:-}" ]; then
  mkdir -p "$2" && cp "$tree"/dist/* "$2/"
fi
if cmp -s "$sums" "$tree/dist/SHA256SUMS"; then
  echo "Built again from $archive: every file the same as in $sums"
else
  echo "Built again from $archive: not the same as $sums"
  (cd "$tree/dist" && sha256sum -c "$sums") | grep -v ': OK$' || true
  exit 1
fi
