#!/usr/bin/env bash
# Runs the tests of the portable Linux archive of the current sources: where
# its sysroot is built, it brings the archive up to date first (seconds);
# elsewhere the tests are skipped (77).
#
#   run_archive_test.sh SOURCE_DIR VERSION
set -euo pipefail
source_dir=$(cd "$1" && pwd)
built=0
"$source_dir/scripts/build-linux.sh" --if-cached || built=$?
[ $built -eq 3 ] && { echo "skipped: scripts/build-linux.sh builds the archive"; exit 77; }
[ $built -eq 0 ] || { echo "FAIL: scripts/build-linux.sh --if-cached could not build it"; exit 1; }
cd "$(dirname "$0")"
CHARPLAY_ARCHIVE=$source_dir/dist/charplay-$2-linux-x86_64.tar.xz exec python3 -m unittest -v test_archive
