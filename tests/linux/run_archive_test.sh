#!/usr/bin/env bash
# Runs the tests of the portable Linux archive of the current sources for
# ARCH (x86_64, the default, aarch64 or armhf): where its sysroot is built,
# it brings the archive up to date first (seconds) and makes the bare Debian
# roots it is tried in (once); elsewhere the tests are skipped (77). The ARM
# archives run under qemu-user, and are skipped without it.
#
#   run_archive_test.sh SOURCE_DIR VERSION [aarch64|armhf]
set -euo pipefail
source_dir=$(cd "$1" && pwd)
arch=${3:-x86_64}
# The archive's name for it, Debian's, and the qemu-user that runs it.
case $arch in
  x86_64) named=x86_64 ;;
  aarch64) named=aarch64 debian=arm64 qemu=qemu-aarch64 ;;
  armhf) named=armv7l debian=armhf qemu=qemu-arm ;;
esac
if [ -n "${qemu:-}" ] && ! command -v "$qemu" > /dev/null; then
  echo "skipped: $qemu is not installed (apt-get install qemu-user)"
  exit 77
fi
built=0
"$source_dir/scripts/build-linux.sh" ${3:+"$3"} --if-cached || built=$?
case $built in
  0) ;;
  3) echo "skipped: its FFmpeg and OpenCV are not built; scripts/build-linux.sh $3 builds them"; exit 77 ;;
  4) echo "skipped: what builds it is not installed; scripts/build-linux.sh $3 installs it"; exit 77 ;;
  *) echo "FAIL: scripts/build-linux.sh $3 --if-cached could not build it"; exit 1 ;;
esac
source "$source_dir/scripts/sysroot/cache.sh"
export CHARPLAY_ARCHIVE=$source_dir/dist/charplay-$2-linux-$named.tar.xz
cd "$source_dir"
if [ "$arch" != x86_64 ]; then
  root_ready bare bullseye "$debian" false > /dev/null
  CHARPLAY_ARM_ROOT=$root CHARPLAY_ARM=$arch exec python3 -m unittest -v tests.linux.test_archive_arm
fi
sysroot_ready linux true > /dev/null
# The root it was built in has GTK 3: the window's test runs there.
export CHARPLAY_GTK_ROOT=$build_root
export CHARPLAY_BARE_ROOTS=
for suite in bullseye trixie; do
  root_ready bare "$suite" amd64 false > /dev/null
  CHARPLAY_BARE_ROOTS+="$suite=$root "
done
export CHARPLAY_IN_ROOT=$sysroot_scripts/in-root.sh
exec python3 -m unittest -v tests.linux.test_archive
