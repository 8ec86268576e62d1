#!/usr/bin/env bash
# Builds the Windows console layer's test with mingw-w64 and runs it under
# Wine: in a terminal (Wine's console then lives on that terminal), in a
# console window on a private X server for the font, and redirected to a
# file. Exits 77 (skipped) when the cross compiler or Wine is missing.
#
#   run_wine_test.sh SOURCE_DIR WORK_DIR
set -euo pipefail
source_dir=$(cd "$1" && pwd)
work=$2

for tool in x86_64-w64-mingw32-g++-posix wine wineserver script xvfb-run; do
  if ! command -v "$tool" > /dev/null; then
    echo "skipped: $tool is not installed (apt-get install g++-mingw-w64-x86-64 wine64 wine xvfb)"
    exit 77
  fi
done

rm -rf "$work" && mkdir -p "$work"
cmake -S "$source_dir/tests/windows" -B "$work/build" \
  -DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/mingw-w64.cmake" > /dev/null
cmake --build "$work/build" > /dev/null
exe=$work/build/console_test.exe

export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
wineboot --init > /dev/null 2>&1 || true
wineserver -w

failed=0
# Prints a log and tells whether it finished without a failure.
judge() {
  local name=$1 log=$2
  echo "== $name"
  if [ ! -s "$log" ]; then
    echo "FAIL $name: no log (the console host died?)"
    return 1
  fi
  cat "$log"
  tr -d '\r' < "$log" | grep -q '^finished, 0 failed$'
}

script -qec "wine '$exe' console '$work/console.log'" /dev/null > /dev/null 2>&1 || true
wineserver -w
judge "in a terminal" "$work/console.log" || failed=1

# Setting the font crashes the console host that Wine runs on a terminal;
# in a console window of its own it works.
xvfb-run -a wineconsole "$exe" font "$work/font.log" > /dev/null 2>&1 || true
wineserver -w
judge "in a console window" "$work/font.log" || failed=1

echo "== redirected to a file"
wine "$exe" redirected > "$work/redirected.out" 2> /dev/null < /dev/null || true
wineserver -w
expected=$(printf 'ab\ncd\n\xe8\xbe\x93\xe5\x85\xa5\xe5\x9c\xb0\xe5\x9d\x80\xe9\x94\x99\xe8\xaf\xaf\xef\xbc\x81\xef\xbc\x81\r\n' | od -An -tx1)
actual=$(od -An -tx1 < "$work/redirected.out")
if [ "$actual" = "$expected" ]; then
  echo "ok the file holds the frame and the message, nothing else"
else
  echo "FAIL the file holds:"; od -c "$work/redirected.out"; failed=1
fi

[ $failed -eq 0 ] && echo "all Windows console checks passed"
exit $failed
