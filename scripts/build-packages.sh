#!/usr/bin/env bash
# Packs the portable Linux archive of ARCH (x86_64, the default, aarch64 or
# armhf; scripts/build-linux.sh makes it) the way Linux installs software,
# into dist/: charplay_<version>_<amd64|arm64|armhf>.deb and, but for armhf,
# which Fedora and RHEL no longer build for,
# charplay-<version>-1.<x86_64|aarch64>.rpm. Both hold the archive's files:
# the program in /usr/lib/charplay with its own libraries beside it (found
# through $ORIGIN/lib, which follows the link), reached as
# /usr/bin/charplay, with the man page, the README and the licences where
# each format keeps them. They depend only on what the program loads from
# the system (glibc 2.31, GCC 10's C++ runtime, zlib) and recommend GTK 3,
# which only the window needs.
#
#   build-packages.sh [aarch64|armhf]
set -euo pipefail
cd "$(dirname "$0")/.."
arch=${1:-x86_64}
# The archive's name for it, Debian's and RPM's (none for armhf).
case $arch in
  x86_64) named=x86_64 deb_arch=amd64 rpm_arch=x86_64 ;;
  aarch64) named=aarch64 deb_arch=arm64 rpm_arch=aarch64 ;;
  armhf) named=armv7l deb_arch=armhf rpm_arch= ;;
  *) echo "build-packages.sh: no packages for $arch"; exit 1 ;;
esac
# One packing of ARCH at a time, in a clean environment.
source scripts/sysroot/cache.sh
cache_lock "packages-$arch" "$PWD/scripts/build-packages.sh" "$@"
version=$(scripts/version.sh)
archive=dist/charplay-$version-linux-$named.tar.xz
[ -f "$archive" ] || { echo "$archive is missing: scripts/build-linux.sh $arch makes it"; exit 1; }
scripts/deps.sh dpkg-dev rpm xz-utils gzip
work=$PWD/build-packages/$arch
rm -rf "$work" && mkdir -p "$work"
tar -C "$work" -xJf "$archive"
unpacked=$work/charplay-$version-linux-$named
summary="play a video as moving character art in the terminal"

# The size of what ROOT installs in KiB, by dpkg-gencontrol's rule, from
# the files alone: each file or link's size rounded up, and 1 for anything
# else (a folder), whatever the filesystem makes of it.
installed_size() {
  find "$1" -mindepth 1 -path "$1/DEBIAN" -prune -o \( -type f -o -type l \) -printf '%s\n' -o \
    -printf '1024\n' | awk '{ kib += int(($1 + 1023) / 1024) } END { print kib }'
}

deb=charplay_${version}_$deb_arch.deb
root=$work/deb
doc=$root/usr/share/doc/charplay
install -d "$root/usr/bin" "$root/usr/lib/charplay" "$root/usr/share/man/man1" "$doc"
cp -a "$unpacked/charplay" "$unpacked/lib" "$root/usr/lib/charplay/"
ln -s ../lib/charplay/charplay "$root/usr/bin/charplay"
gzip -9n -c "$unpacked/charplay.1" > "$root/usr/share/man/man1/charplay.1.gz"
cp -a "$unpacked/licenses" "$doc/"
gzip -9n -c README.md > "$doc/README.md.gz"
gzip -9n -c packaging/debian/changelog > "$doc/changelog.gz"
cp packaging/linux/copyright "$doc/copyright"
cp "$unpacked/charplay.cdx.json" "$doc/"
chmod -R u=rwX,go=rX "$root"
chmod a-x "$root"/usr/lib/charplay/lib/*.so*
install -d "$root/usr/share/lintian/overrides" "$root/DEBIAN"
cp packaging/linux/lintian-overrides "$root/usr/share/lintian/overrides/charplay"
{
  echo "Package: charplay"
  echo "Version: $version"
  echo "Architecture: $deb_arch"
  echo "Maintainer: charplay developers <charplay@example.org>"
  echo "Installed-Size: $(installed_size "$root")"
  echo "Depends: libc6 (>= 2.31), libgcc-s1 (>= 10), libstdc++6 (>= 10), zlib1g (>= 1:1.2.11)"
  echo "Recommends: libgtk-3-0"
  echo "Section: video"
  echo "Priority: optional"
  echo "Description: $summary"
  sed 's/^$/./; s/^/ /' packaging/description.txt
} > "$root/DEBIAN/control"
(cd "$root" && find usr -type f -printf '%P\n' | sort | sed 's|^|usr/|' | xargs md5sum) \
  > "$root/DEBIAN/md5sums"
mkdir -p dist
# dpkg-deb stamps its own parts with SOURCE_DATE_EPOCH; the files carry it too.
epoch=$(scripts/epoch.sh)
find "$root" -exec touch -h -d "@$epoch" {} +
SOURCE_DATE_EPOCH=$epoch dpkg-deb --root-owner-group -Zxz --build "$root" "dist/$deb" > /dev/null
echo "dist/$deb"

[ -n "$rpm_arch" ] || exit 0
rpm=charplay-$version-1.$rpm_arch.rpm
# The changelog's entry for the version is dated as the Debian changelog's.
dated=$(date -u -d "$(dpkg-parsechangelog -l packaging/debian/changelog -S Date)" '+%a %b %d %Y')
SOURCE_DATE_EPOCH=$epoch rpmbuild --quiet -bb --target "$rpm_arch" --define "_topdir $work/rpm" \
  --define "charplay_version $version" --define "charplay_date $dated" \
  --define "charplay_tree $unpacked" --define "charplay_source $PWD" \
  --define "_build_id_links none" --define "_buildhost reproducible" \
  --define "use_source_date_epoch_as_buildtime 1" --define "clamp_mtime_to_source_date_epoch 1" \
  packaging/rpm/charplay.spec > /dev/null
cp "$work/rpm/RPMS/$rpm_arch/$rpm" dist/
echo "dist/$rpm"
