#!/usr/bin/env bash
# Runs COMMAND inside the Debian root ROOT (as made by make-root.sh), in a
# mount namespace of its own: /proc and /dev are bound in, and so is each
# DIR, at its own path, so that paths read the same on both sides, or at
# PATH where it is given as DIR=PATH; /tmp and /opt are fresh tmpfs. ROOT /
# is this machine: only the binds and /opt then. The mounts go with the
# namespace when COMMAND ends. COMMAND starts in the current folder where
# the root has it, else in /, with a clean environment (clean_env; inside a
# root, the root's own PATH).
#
#   in-root.sh ROOT [DIR | DIR=PATH...] -- COMMAND...
set -euo pipefail
source "$(dirname "$0")/common.sh"
if [ "${1:-}" != --in-namespace ]; then
  exec unshare --mount --propagation private "$0" --in-namespace "$@"
fi
root=$(cd "$2" && pwd)
root=${root%/}
shift 2
bind() {
  mkdir -p "$root$2"
  mount --no-canonicalize --rbind "$1" "$root$2"
}
# Each DIR opened before /opt is covered, since it may lie under it.
binds=()
while [ "$1" != -- ]; do
  exec {dir}< "${1%%=*}"
  place=$(cd "${1%%=*}" && pwd)
  [ "${1#*=}" = "$1" ] || place=${1#*=}
  binds+=("$dir" "$place")
  shift
done
shift
if [ -n "$root" ]; then
  bind /proc /proc
  bind /dev /dev
  mount -t tmpfs tmpfs "$root/tmp"
fi
# A place for DIR=PATH that leaves nothing behind, on this machine too.
mount -t tmpfs tmpfs "$root/opt"
for ((i = 0; i < ${#binds[@]}; i += 2)); do
  bind "/proc/self/fd/${binds[i]}" "${binds[i + 1]}"
  fd=${binds[i]}
  exec {fd}<&-
done
folder=/
[ -d "$root$PWD" ] && folder=$PWD
[ -n "$root" ] || { cd "$folder" && clean_env "$@"; exit; }
PATH=/usr/local/bin:/usr/bin:/bin:/usr/sbin:/sbin clean_env chroot "$root" \
  /bin/sh -c 'cd "$1" && shift && exec "$@"' sh "$folder" "$@"
