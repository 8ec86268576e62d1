#!/usr/bin/env bash
# Builds a release of the commit checked out into dist/: the Debian package,
# the Windows zip, the portable Linux archives for x86_64 and aarch64, the
# source archive that goes with them, and SHA256SUMS for all of them. Refuses a tree with changes
# that are not committed, and a version (CMakeLists.txt) that the changelog
# (packaging/debian/changelog) has no entry for. The sysroots in the cache
# are reused; the program itself is built afresh.
#
#   release.sh
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
version=$(scripts/version.sh)
if [ -n "$(git status --porcelain --untracked-files=normal)" ]; then
  echo "release.sh: the tree has changes that are not committed:"
  git status --short
  exit 1
fi
scripts/deps.sh dpkg-dev file git xz-utils
if [ "$(dpkg-parsechangelog -l packaging/debian/changelog -S Version)" != "$version" ]; then
  echo "release.sh: packaging/debian/changelog has no entry for $version, the version in CMakeLists.txt"
  exit 1
fi
source scripts/sysroot/cache.sh
cache_lock "$root/scripts/release.sh" "$@"

release=(charplay_"$version"_amd64.deb charplay-"$version"-windows-x64.zip
         charplay-"$version"-linux-x86_64.tar.xz charplay-"$version"-linux-aarch64.tar.xz
         charplay-"$version"-sources.tar.xz)
mkdir -p dist
(cd dist && rm -f "${release[@]}" SHA256SUMS)

echo "The Debian package"
scripts/deps.sh cmake make g++ libopencv-dev
rm -rf build-release
BUILD_DIR=build-release BUILD_TYPE=Release scripts/build.sh -DCHARPLAY_TESTS=OFF \
  -DCHARPLAY_BENCHMARKS=OFF -DBUILD_TESTING=OFF > /dev/null
(cd build-release && cpack > /dev/null)
cp "build-release/${release[0]}" dist/

echo "The Windows zip"
scripts/build-windows.sh > /dev/null
echo "The Linux archives"
scripts/build-linux.sh > /dev/null
scripts/build-linux.sh aarch64 > /dev/null

echo "The source archive"
scripts/pack-sources.sh "$version" "dist/${release[4]}"

(cd dist && sha256sum "${release[@]}" > SHA256SUMS)
for file in "${release[@]}" SHA256SUMS; do
  echo "dist/$file $(stat -c %s "dist/$file")"
done
