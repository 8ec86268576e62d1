#!/usr/bin/env bash
# Runs COMMAND inside the Debian root ROOT (as made by make-root.sh), in a
# mount namespace of its own: /proc and /dev are bound in, and so is each
# DIR, at its own path, so that paths read the same on both sides; /tmp is
# a fresh tmpfs. The mounts go with the namespace when COMMAND ends.
# COMMAND starts in the current folder where the root has it, else in /.
#
#   in-root.sh ROOT [DIR...] -- COMMAND...
set -euo pipefail
if [ "${1:-}" != --in-namespace ]; then
  exec unshare --mount --propagation private "$0" --in-namespace "$@"
fi
root=$(cd "$2" && pwd)
shift 2
bind() {
  mkdir -p "$root$1"
  mount --rbind "$1" "$root$1"
}
bind /proc
bind /dev
mount -t tmpfs tmpfs "$root/tmp"
while [ "$1" != -- ]; do
  bind "$(cd "$1" && pwd)"
  shift
done
shift
folder=/
[ -d "$root$PWD" ] && folder=$PWD
exec chroot "$root" /usr/bin/env PATH=/usr/local/bin:/usr/bin:/bin:/usr/sbin:/sbin \
  /bin/sh -c 'cd "$1" && shift && exec "$@"' sh "$folder" "$@"
