#!/usr/bin/env bash
# The commits whose tests of both tiers passed in this clone, as
# scripts/test.sh --all records them and scripts/release.sh requires them:
# an empty file a commit, in the clone's git folder, where no checkout or
# clean reaches.
#
#   tested.sh record COMMIT   (what scripts/test.sh --all does on a pass)
#   tested.sh check           (fails, saying why, unless HEAD passed)
set -euo pipefail
cd "$(dirname "$0")/.."
record=$(git rev-parse --path-format=absolute --git-path charplay-tested)
case $1 in
  record) mkdir -p "$record" && touch "$record/$2" ;;
  check)
    commit=$(git rev-parse HEAD)
    if [ ! -f "$record/$commit" ]; then
      echo "$commit has not passed scripts/test.sh --all in this clone: run it first, on a tree with no changes"
      exit 1
    fi ;;
  *) echo "usage: tested.sh record COMMIT | tested.sh check" >&2; exit 2 ;;
esac
