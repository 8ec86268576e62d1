#!/bin/sh
# Prints the time, in seconds since 1970, that what the build scripts pack
# is stamped with: SOURCE_DATE_EPOCH where it is set, else the time of the
# commit checked out, else now (a tree outside git).
set -e
cd "$(dirname "$0")/.."
[ -n "${SOURCE_DATE_EPOCH:-}" ] && exec echo "$SOURCE_DATE_EPOCH"
git log -1 --format=%ct 2> /dev/null || date +%s
