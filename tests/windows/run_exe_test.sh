#!/usr/bin/env bash
# Runs the end-to-end tests of charplay.exe under Wine, on the exe and the
# zip of the current sources: where FFmpeg and OpenCV for Windows are built,
# it brings both up to date first (seconds); elsewhere it fails when they are
# older than the sources. Exits 77 (skipped) when the exe has never been
# built or a tool is missing.
#
#   run_exe_test.sh SOURCE_DIR VERSION
set -euo pipefail
source_dir=$(cd "$1" && pwd)
exe=$source_dir/build-windows/charplay.exe
zip=$source_dir/dist/charplay-$2-windows-x64.zip
for tool in wine wineserver wineconsole Xvfb xdotool import; do
  if ! command -v "$tool" > /dev/null; then
    echo "skipped: $tool is not installed (apt-get install wine64 wine xvfb xdotool imagemagick)"
    exit 77
  fi
done

built=0
"$source_dir/scripts/build-windows.sh" --if-cached || built=$?
if [ $built -eq 3 ] || [ $built -eq 4 ]; then
  why=("its FFmpeg and OpenCV are not built" "what builds its FFmpeg and OpenCV is not installed")
  if [ ! -f "$exe" ]; then
    echo "skipped: $exe is not built, as ${why[built - 3]}; scripts/build-windows.sh builds it"
    exit 77
  fi
  # Without its sysroot the exe stays as it is: it must not be older than
  # what it is built from.
  inputs=$(cd "$source_dir" && source scripts/sysroot/cache.sh && sysroot_key_files windows)
  for made in "$exe" "$zip"; do
    [ -f "$made" ] || { echo "FAIL: $made is missing: run scripts/build-windows.sh"; exit 1; }
    newer=$(cd "$source_dir" && find src CMakeLists.txt cmake packaging/windows samples \
              scripts/build-windows.sh $inputs -type f -newer "$made" | head -n 1)
    if [ -n "$newer" ]; then
      echo "FAIL: $made is older than $newer: run scripts/build-windows.sh"
      exit 1
    fi
  done
elif [ $built -ne 0 ]; then
  echo "FAIL: scripts/build-windows.sh --if-cached could not build the exe"
  exit 1
fi
cd "$source_dir"
CHARPLAY_EXE=$exe CHARPLAY_ZIP=$zip CHARPLAY_VERSION=$2 exec python3 -m unittest -v tests.windows.test_exe
