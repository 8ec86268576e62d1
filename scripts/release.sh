#!/usr/bin/env bash
# Builds a release of the commit checked out into dist/: the Windows zip,
# the portable Linux archives for x86_64, aarch64 and armv7l, their .deb
# and .rpm packages (no .rpm for armv7l), the source archive that goes with
# them, the bill of materials of all of them (CycloneDX; each of the others
# carries its own) and SHA256SUMS for all of them; and, beside them, the
# build record of this machine (scripts/build-record.sh), which SHA256SUMS
# leaves out: the same tools give the same release. The Debian package of a
# build from source (cmake --build build --target package), with the
# system's OpenCV, is not among them: it would share its name with the
# archive's .deb. Refuses a tree with changes that are not committed, and a
# version (CMakeLists.txt) that the changelog (packaging/debian/changelog)
# has no entry for, and a commit whose tests of both tiers have not passed
# in this clone (scripts/test.sh --all, recorded by scripts/tested.sh).
# The sysroots in the cache are reused; the program itself is built
# afresh, in fresh build folders and, like every packing step, in a clean
# environment, with Debian's own tools alone. A tree unpacked from a
# release's source archive (scripts/check-release.sh) builds that release
# again, given the archive in CHARPLAY_SOURCE_ARCHIVE.
#
#   release.sh
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
version=$(scripts/version.sh)
# A clone packs its own commit; a tree unpacked from a release's source
# archive (scripts/check-release.sh) packs that archive's again.
in_clone=false
if [ "$(git rev-parse --show-toplevel 2> /dev/null)" = "$(pwd -P)" ]; then
  if [ -n "$(git status --porcelain --untracked-files=normal)" ]; then
    echo "release.sh: the tree has changes that are not committed:"
    git status --short
    exit 1
  fi
  in_clone=true
  unset CHARPLAY_SOURCE_ARCHIVE
elif [ ! -f "${CHARPLAY_SOURCE_ARCHIVE:-}" ]; then
  echo "release.sh: outside a clone, CHARPLAY_SOURCE_ARCHIVE must name the source archive this tree came from"
  exit 1
fi
scripts/deps.sh dpkg-dev file git xz-utils rpm
if [ "$(dpkg-parsechangelog -l packaging/debian/changelog -S Version)" != "$version" ]; then
  echo "release.sh: packaging/debian/changelog has no entry for $version, the version in CMakeLists.txt"
  exit 1
fi
# A release built again from its source archive was tested when it was made.
! $in_clone || scripts/tested.sh check | sed 's/^/release.sh: /'
source scripts/sysroot/cache.sh
cache_lock "" "$root/scripts/release.sh" "$@"
# The same commit gives the same bytes, whatever this machine's settings:
# every time stamp is the commit's, every mode as umask 022 makes it.
export SOURCE_DATE_EPOCH
SOURCE_DATE_EPOCH=$(unset SOURCE_DATE_EPOCH && scripts/epoch.sh)
export TZ=UTC LC_ALL=C.UTF-8 PATH=/usr/sbin:/usr/bin:/sbin:/bin
umask 022

release=(charplay-"$version"-windows-x64.zip
         charplay-"$version"-linux-x86_64.tar.xz charplay-"$version"-linux-aarch64.tar.xz
         charplay-"$version"-linux-armv7l.tar.xz
         charplay_"$version"_amd64.deb charplay_"$version"_arm64.deb charplay_"$version"_armhf.deb
         charplay-"$version"-1.x86_64.rpm charplay-"$version"-1.aarch64.rpm
         charplay-"$version"-sources.tar.xz charplay-"$version".cdx.json)
record=charplay-$version.buildinfo
mkdir -p dist
(cd dist && rm -f "${release[@]}" SHA256SUMS "$record")

echo "The Windows zip"
scripts/build-windows.sh --fresh > /dev/null
echo "The Linux archives and their packages"
for arch in "" aarch64 armhf; do
  scripts/build-linux.sh $arch --fresh > /dev/null
  scripts/build-packages.sh $arch > /dev/null
done

echo "The source archive"
scripts/pack-sources.sh "$version" "dist/${release[-2]}"

echo "The bill of materials"
packed=("${release[@]:0:${#release[@]}-1}")
python3 scripts/sbom.py release "dist/${release[-1]}" "$version" "${packed[@]/#/dist/}"

(cd dist && sha256sum "${release[@]}" > SHA256SUMS)
scripts/build-record.sh "dist/$record" "$version"
for file in "${release[@]}" SHA256SUMS "$record"; do
  echo "dist/$file $(stat -c %s "dist/$file")"
done
