#!/usr/bin/env bash
# Runs the end-to-end tests of charplay.exe under Wine. Exits 77 (skipped)
# when the exe has not been built (scripts/build-windows.sh builds it) or a
# tool is missing.
#
#   run_exe_test.sh EXE
set -euo pipefail
for tool in wine wineserver wineconsole Xvfb xdotool import; do
  if ! command -v "$tool" > /dev/null; then
    echo "skipped: $tool is not installed (apt-get install wine64 wine xvfb xdotool imagemagick)"
    exit 77
  fi
done
if [ ! -f "$1" ]; then
  echo "skipped: $1 is not built; scripts/build-windows.sh builds it"
  exit 77
fi
cd "$(dirname "$0")"
CHARPLAY_EXE=$(cd "$(dirname "$1")" && pwd)/$(basename "$1") exec python3 -m unittest -v test_exe
