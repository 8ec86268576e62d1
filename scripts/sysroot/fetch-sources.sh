#!/usr/bin/env bash
# Fetches Debian's source packages of FFmpeg, dav1d, OpenCV and OpenSSL
# (.dsc and tarballs, not unpacked) into DIR: the first three at the
# versions of the packages installed here (libavcodec-dev, libdav1d-dev,
# libopencv-dev), so that our own builds decode as Debian's does, and
# OpenSSL, which changes no frame, at the newest version of Debian's
# releases and point releases (not of its security archive, whose sources
# are not always mirrored), for its fixes; prints
# "ffmpeg VERSION", "dav1d VERSION", "opencv VERSION" and "openssl VERSION"
# first. Uses a private apt state, so the system's sources lists stay as
# they are. With --versions-only, prints those lines alone; with a FOLDER
# too, the versions of the source packages in it (a release's source
# archive holds them), whatever this machine has installed.
#
#   fetch-sources.sh DIR | fetch-sources.sh --versions-only [FOLDER]
set -euo pipefail
packages=(ffmpeg dav1d opencv openssl)

if [ "$1" = --versions-only ] && [ -n "${2:-}" ]; then
  for package in "${packages[@]}"; do
    dsc=("$2/${package}"_*.dsc)
    if [ ${#dsc[@]} -ne 1 ] || [ ! -f "${dsc[0]}" ]; then
      echo "fetch-sources.sh: $2 does not hold one source package of $package" >&2
      exit 1
    fi
    echo "$package $(sed -n 's/^Version: //p' "${dsc[0]}")"
  done
  exit 0
fi

source "$(dirname "$0")/common.sh"
system=$(. /etc/os-release && echo "$ID $VERSION_ID")
if [ "$system" != "debian $sources_debian" ]; then
  echo "fetch-sources.sh: this machine is $system, not the Debian $sources_debian" \
    "whose sources the libraries are built from" >&2
  exit 1
fi

# The source package and version an installed binary package comes from.
source_of() {
  dpkg-query -W -f '${source:Package}=${source:Version}' "$1"
}
ffmpeg=$(source_of libavcodec-dev)
dav1d=$(source_of libdav1d-dev)
opencv=$(source_of libopencv-dev)
openssl=openssl=$(apt-cache madison libssl-dev | awk -F' *[|] *' '$3 !~ /-security/ { print $2; exit }')
sources=("$ffmpeg" "$dav1d" "$opencv" "$openssl")
# In the order of packages.
[ "$(printf '%s\n' "${sources[@]%%=*}")" = "$(printf '%s\n' "${packages[@]}")" ]
printf '%s\n' "${sources[@]}" | tr = ' '
[ "$1" = --versions-only ] && exit 0
mkdir -p "$1"
dir=$(cd "$1" && pwd)

# deb-src twins of the system's own deb entries.
apt=$dir/apt
mkdir -p "$apt/sources" "$apt/lists/partial" "$apt/cache/archives/partial"
for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
  [ -f "$file" ] && sed -n 's/^deb /deb-src /p' "$file" > "$apt/sources/$(basename "$file").list"
done
for file in /etc/apt/sources.list.d/*.sources; do
  [ -f "$file" ] && sed 's/^Types:.*/Types: deb-src/' "$file" > "$apt/sources/$(basename "$file")"
done
options=(-o Dir::Etc::SourceList=/dev/null -o "Dir::Etc::SourceParts=$apt/sources"
         -o "Dir::State::Lists=$apt/lists" -o "Dir::Cache=$apt/cache" -o APT::Sandbox::User=root)
apt-get "${options[@]}" -q update > /dev/null
cd "$dir"
apt-get "${options[@]}" -q source --download-only "${sources[@]}" > /dev/null
rm -rf "$apt"
