#!/usr/bin/env bash
# Makes a minimal Debian root of SUITE (bullseye, trixie, ...) for
# ARCHITECTURE in DIR, with PACKAGES and what they need, from Debian's
# archive ($CHARPLAY_DEBIAN_MIRROR, by default deb.debian.org). A package
# named NAME:ARCH brings in ARCH as a second architecture (Debian's
# multiarch). A root of an architecture this machine does not run is only
# unpacked (debootstrap --foreign), with no packages added: enough for
# qemu-user to run a program against its libraries. The root is made beside
# DIR and moved there once complete, so that DIR is always whole; a DIR
# that is there already is left as it is.
#
#   make-root.sh SUITE ARCHITECTURE DIR [PACKAGE...]
set -euo pipefail
source "$(dirname "$0")/common.sh"
suite=$1
architecture=$2
dir=$3
shift 3
[ -d "$dir" ] && exit 0
mirror=${CHARPLAY_DEBIAN_MIRROR:-http://deb.debian.org/debian}
part=$dir.part
rm -rf "$part"
if [ "$architecture" != "$(dpkg --print-architecture)" ]; then
  [ $# -eq 0 ] || { echo "make-root.sh: no packages in a root of another architecture"; exit 1; }
  logged "$part.log" debootstrap --foreign --variant=minbase --arch="$architecture" \
    "$suite" "$part" "$mirror"
else
  logged "$part.log" debootstrap --variant=minbase --arch="$architecture" "$suite" "$part" "$mirror"
fi
if [ $# -gt 0 ]; then
  in_root=("$sysroot_scripts/in-root.sh" "$part" --)
  cp /etc/resolv.conf "$part/etc/resolv.conf"
  for foreign in $(printf '%s\n' "$@" | sed -n 's/.*:\(.*\)/\1/p' | sort -u); do
    logged "$part.log" "${in_root[@]}" dpkg --add-architecture "$foreign"
  done
  logged "$part.log" "${in_root[@]}" apt-get update -q
  # apt, unlike debootstrap, resolves virtual packages (GTK's D-Bus).
  # No fsync after each file: a root that breaks half-made is made again.
  logged "$part.log" "${in_root[@]}" \
    env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
    -o DPkg::Options::=--force-unsafe-io "$@"
  logged "$part.log" "${in_root[@]}" apt-get clean
fi
rm "$part.log"
mv "$part" "$dir"
