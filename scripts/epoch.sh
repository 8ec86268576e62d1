#!/bin/sh
# Prints the time, in seconds since 1970, that what the build scripts pack
# is stamped with: SOURCE_DATE_EPOCH where it is set, else the time of the
# commit the tree is (scripts/commit.sh), else now (a tree outside git).
set -e
[ -n "${SOURCE_DATE_EPOCH:-}" ] && exec echo "$SOURCE_DATE_EPOCH"
if found=$("$(dirname "$0")/commit.sh" 2> /dev/null); then
  echo "${found#* }"
else
  date +%s
fi
