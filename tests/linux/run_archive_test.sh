#!/usr/bin/env bash
# Runs the tests of the portable Linux archive of the current sources: where
# its sysroot is built, it brings the archive up to date first (seconds) and
# makes the bare Debian 11 and 13 roots it is tried in (once); elsewhere the
# tests are skipped (77).
#
#   run_archive_test.sh SOURCE_DIR VERSION
set -euo pipefail
source_dir=$(cd "$1" && pwd)
built=0
"$source_dir/scripts/build-linux.sh" --if-cached || built=$?
case $built in
  0) ;;
  3) echo "skipped: its FFmpeg and OpenCV are not built; scripts/build-linux.sh builds them"; exit 77 ;;
  4) echo "skipped: what builds it is not installed; scripts/build-linux.sh installs it"; exit 77 ;;
  *) echo "FAIL: scripts/build-linux.sh --if-cached could not build it"; exit 1 ;;
esac
source "$source_dir/scripts/sysroot/cache.sh"
sysroot_ready linux true > /dev/null
# The root it was built in has GTK 3: the window's test runs there.
export CHARPLAY_GTK_ROOT=$build_root
export CHARPLAY_BARE_ROOTS=
for suite in bullseye trixie; do
  root_ready bare "$suite" amd64 false > /dev/null
  CHARPLAY_BARE_ROOTS+="$suite=$root "
done
export CHARPLAY_IN_ROOT=$sysroot_scripts/in-root.sh
cd "$(dirname "$0")"
CHARPLAY_ARCHIVE=$source_dir/dist/charplay-$2-linux-x86_64.tar.xz exec python3 -m unittest -v test_archive
