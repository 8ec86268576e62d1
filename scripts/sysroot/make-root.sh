#!/usr/bin/env bash
# Makes a minimal Debian root of SUITE (bullseye, trixie, ...) for
# ARCHITECTURE in DIR, with PACKAGES and what they need, from Debian's
# archive ($CHARPLAY_DEBIAN_MIRROR, by default deb.debian.org). The root is
# made beside DIR and moved there once complete, so that DIR is always
# whole; a DIR that is there already is left as it is.
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
logged "$part.log" debootstrap --variant=minbase --arch="$architecture" "$suite" "$part" "$mirror"
if [ $# -gt 0 ]; then
  # apt, unlike debootstrap, resolves virtual packages (GTK's D-Bus).
  cp /etc/resolv.conf "$part/etc/resolv.conf"
  logged "$part.log" "$sysroot_scripts/in-root.sh" "$part" -- \
    env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "$@"
  logged "$part.log" "$sysroot_scripts/in-root.sh" "$part" -- apt-get clean
fi
rm "$part.log"
mv "$part" "$dir"
