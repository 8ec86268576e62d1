#!/usr/bin/env bash
# Packs the sources of a release's binaries into OUT (a .tar.xz): Debian's
# source packages of FFmpeg, dav1d, OpenCV and OpenSSL as the sysroots were
# built from them, charplay's own source at the commit checked out (or as
# the source archive in CHARPLAY_SOURCE_ARCHIVE holds it), and
# REBUILD.txt with the configure lines used and the commands that rebuild
# the binaries from these files: all of it what the tree and its sources
# pin, nothing of the machine that packs it (that is the build record,
# scripts/build-record.sh). The sysroots of every target must be built.
#
#   pack-sources.sh VERSION OUT
set -euo pipefail
version=$1
out=$(realpath "$2")
cd "$(dirname "$0")/.."
source scripts/sysroot/cache.sh
sysroot_ready windows true
windows=$sysroot
sysroot_ready linux true
linux=$sysroot
sysroot_ready linux-aarch64 true
linux_aarch64=$sysroot
sysroot_ready linux-armhf true
linux_armhf=$sysroot

name=charplay-$version-sources
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir -p "$stage/$name/debian"
cp "$sources"/*.dsc "$sources"/*.tar.* "$stage/$name/debian/"
read -r commit _ < <(scripts/commit.sh)
if [ -n "${CHARPLAY_SOURCE_ARCHIVE:-}" ]; then
  tar -xJf "$CHARPLAY_SOURCE_ARCHIVE" -C "$stage" "$name/charplay-$version"
else
  git archive --prefix="charplay-$version/" "$commit" | tar -x -C "$stage/$name"
fi

configure_lines() {
  local file
  for file in openssl dav1d ffmpeg opencv; do
    [ -f "$1/share/charplay/$file-configure.txt" ] || continue
    printf '\n%s:\n' "$file"
    sed 's/^/    /' "$1/share/charplay/$file-configure.txt"
  done
}
cat > "$stage/$name/REBUILD.txt" <<TEXT
charplay $version: the sources of the release's binaries
=========================================================

debian/
    Debian's source packages (the .dsc, the original and Debian tarballs,
    and upstream's signatures) exactly as they were fetched for the build:
$(sed 's/^/      /' <<< "$(scripts/sysroot/fetch-sources.sh --versions-only "$sources")")
    charplay-$version-windows-x64.zip links FFmpeg, dav1d and OpenCV
    statically; in charplay-$version-linux-x86_64.tar.xz,
    charplay-$version-linux-aarch64.tar.xz and
    charplay-$version-linux-armv7l.tar.xz, FFmpeg, dav1d and OpenSSL are
    linked into OpenCV's libraries in lib/ (the .deb and .rpm packages hold
    the same files).
charplay-$version/
    charplay's own source at commit
    $commit.
    Beyond Debian's patches, the build changes FFmpeg and OpenCV with the
    patches scripts/sysroot/ffmpeg-*.patch and opencv-*.patch, each of
    which says why:
$(cd scripts/sysroot && ls ffmpeg-*.patch opencv-*.patch | sed 's/^/      /')

Rebuilding
----------
On Debian 12 (amd64), as root (the scripts install what they need; the
libraries are built from debian/ above, whatever versions of FFmpeg's,
dav1d's, OpenCV's and OpenSSL's packages are installed):

    tar xf $name.tar.xz
    cd $name/charplay-$version
    CHARPLAY_SOURCE_PACKAGES=\$PWD/../debian scripts/build-windows.sh
    CHARPLAY_SOURCE_PACKAGES=\$PWD/../debian scripts/build-linux.sh
    CHARPLAY_SOURCE_PACKAGES=\$PWD/../debian scripts/build-linux.sh aarch64
    CHARPLAY_SOURCE_PACKAGES=\$PWD/../debian scripts/build-linux.sh armhf

They build FFmpeg, dav1d and OpenCV from debian/ into ~/.cache/charplay
(the first time: about fifty minutes), then charplay, and write
dist/charplay-$version-windows-x64.zip,
dist/charplay-$version-linux-x86_64.tar.xz,
dist/charplay-$version-linux-aarch64.tar.xz and
dist/charplay-$version-linux-armv7l.tar.xz; scripts/build-packages.sh
(with aarch64 or armhf) packs an archive as .deb and .rpm.

The Linux archives are built inside a Debian 11 root, for its glibc 2.31
and GCC 10 (ARM with its aarch64-linux-gnu and arm-linux-gnueabihf cross
compilers, in the same root): build-linux.sh makes that root with debootstrap from Debian's
archive (set CHARPLAY_DEBIAN_MIRROR for another mirror, such as a snapshot
of the archive at the state the release's build record names), and
scripts/sysroot/in-root.sh runs a command inside it.

Each configure line below is written as a shell reads it back: pasted
into bash, it gives the same arguments.

To check this release, with the release's files and SHA256SUMS in DIR:

    $name/charplay-$version/scripts/check-release.sh DIR

It checks every file against SHA256SUMS, compares this machine's tools
and Debian root with those in the release's build record
(charplay-$version.buildinfo, beside it), builds the release again from
this archive and compares every file.

Each library is built where the paths in its configure line below lead:
scripts/sysroot/build-sysroot.sh binds this tree at /opt/charplay/source,
the sysroot (in ~/.cache/charplay) at /opt/charplay/sysroot and the
unpacked sources at /opt/charplay/work, with scripts/sysroot/in-root.sh,
so that no path of the machine's own ends up in the binaries.
SOURCE_DATE_EPOCH is the time of each package's debian/changelog.

To link charplay with a changed FFmpeg: after one run above, unpack
debian/ffmpeg_*.dsc with dpkg-source -x, change it, run its configure with
the line below (inside in-root.sh, with the binds above; for Linux, in the
root), then make install, and run scripts/build-windows.sh --if-cached (or
scripts/build-linux.sh --if-cached): it links charplay against the
changed libraries.

The configure lines for Windows
-------------------------------
$(configure_lines "$windows")

The configure lines for Linux (x86_64)
--------------------------------------
$(configure_lines "$linux")

The configure lines for Linux (aarch64)
---------------------------------------
$(configure_lines "$linux_aarch64")

The configure lines for Linux (armv7l)
--------------------------------------
$(configure_lines "$linux_armhf")
TEXT
# Threads split the input into blocks of a set size: the same bytes on any
# number of cores, and with an xz whose default is another.
XZ_OPT=-T0 tar -C "$stage" --sort=name --owner=0 --group=0 --numeric-owner \
  --mode=u+rw,go=rX --mtime="@$(scripts/epoch.sh)" -cJf "$out" "$name"
echo "$out"
