#!/usr/bin/env bash
# The commits whose tests of both tiers passed in this clone, as
# scripts/test.sh --all records them and scripts/release.sh requires them:
# a file a commit, in the clone's git folder, where no checkout or clean
# reaches, that names the sysroots the tests ran on. A commit passes only
# with those sysroots: a release of it must build what was tested.
#
#   tested.sh record COMMIT   (what scripts/test.sh --all does on a pass)
#   tested.sh check           (fails, saying why, unless HEAD passed)
set -euo pipefail
cd "$(dirname "$0")/.."
record=$(git rev-parse --path-format=absolute --git-path charplay-tested)

# The sysroot of each target that the cache holds, a line each.
sysroots() (
  source scripts/sysroot/cache.sh
  for target in windows linux linux-aarch64 linux-armhf; do
    if sysroot_ready "$target" true > /dev/null; then echo "$sysroot"; fi
  done
)

case ${1:-} in
  record) mkdir -p "$record" && sysroots > "$record/$2" ;;
  check)
    commit=$(git rev-parse HEAD)
    if [ ! -f "$record/$commit" ]; then
      echo "$commit has not passed scripts/test.sh --all in this clone: run it first, on a tree with no changes"
      exit 1
    fi
    if [ "$(sysroots)" != "$(cat "$record/$commit")" ]; then
      echo "$commit passed scripts/test.sh --all with other sysroots than the cache holds now: run it again"
      exit 1
    fi ;;
  *) echo "usage: tested.sh record COMMIT | tested.sh check" >&2; exit 2 ;;
esac
