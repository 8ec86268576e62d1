#!/usr/bin/env bash
# Unpacks the Debian source packages in SOURCES (.dsc and tarballs, as
# fetch-sources.sh keeps them or as the release's source archive holds
# them) into DIR, Debian's patches applied.
#
#   unpack-sources.sh SOURCES DIR
set -euo pipefail
sources=$(cd "$1" && pwd)
mkdir -p "$2"
cd "$2"
for dsc in "$sources"/*.dsc; do
  # Checks the tarballs against the .dsc's checksums.
  dpkg-source -x "$dsc" > unpack.log 2>&1 || { cat unpack.log; exit 1; }
done
rm unpack.log
