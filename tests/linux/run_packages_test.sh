#!/usr/bin/env bash
# Runs the tests of the packages of the portable Linux archives: where their
# sysroots are built, it brings both archives up to date first (seconds),
# packs them (scripts/build-packages.sh) and makes the bare Debian roots they
# are tried in (once); elsewhere the tests are skipped (77).
#
#   run_packages_test.sh SOURCE_DIR VERSION
set -euo pipefail
source_dir=$(cd "$1" && pwd)
for tool in rpmbuild rpm2cpio cpio qemu-aarch64 qemu-arm; do
  if ! command -v "$tool" > /dev/null; then
    echo "skipped: $tool is not installed (apt-get install rpm cpio qemu-user)"
    exit 77
  fi
done
for arch in x86_64 aarch64 armhf; do
  built=0
  "$source_dir/scripts/build-linux.sh" ${arch/x86_64/} --if-cached > /dev/null || built=$?
  case $built in
    0) ;;
    3|4) echo "skipped: the $arch archive cannot be built here; scripts/build-linux.sh $arch builds it"
         exit 77 ;;
    *) echo "FAIL: scripts/build-linux.sh $arch --if-cached could not build it"; exit 1 ;;
  esac
  "$source_dir/scripts/build-packages.sh" $arch > /dev/null
done
source "$source_dir/scripts/sysroot/cache.sh"
export CHARPLAY_BARE_ROOTS=
for suite in bullseye trixie; do
  root_ready bare "$suite" amd64 false > /dev/null
  CHARPLAY_BARE_ROOTS+="$suite=$root "
done
export CHARPLAY_ARM_ROOTS=
for debian in arm64 armhf; do
  root_ready bare bullseye $debian false > /dev/null
  CHARPLAY_ARM_ROOTS+="$debian=$root "
done
export CHARPLAY_VERSION=$2
export CHARPLAY_IN_ROOT=$sysroot_scripts/in-root.sh
cd "$source_dir"
exec python3 -m unittest -v tests.linux.test_packages
