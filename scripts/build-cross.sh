#!/usr/bin/env bash
# Builds charplay.exe and the portable Linux archive for x86_64, with the
# sysroots they need (once), side by side: while one runs a configure
# script or an install on one core, the other takes the second. With
# --all, then the archives for aarch64 and armv7l the same way. With READY,
# touches that file once the exe and the x86_64 archive are built, so that
# their tests can begin while the ARM archives build.
#
#   build-cross.sh [--all] [READY]
set -euo pipefail
cd "$(dirname "$0")/.."
all=false
[ "${1:-}" = --all ] && { all=true; shift; }
ready=${1:-}

# Runs COMMAND (words split at spaces), then says how long it took and how
# much processor time it used: side by side, the time alone tells little.
measured() {
  /usr/bin/time -f "$1: %e s, %U s user and %S s system processor time" $1
}

# Runs the commands FIRST and SECOND (words split at spaces) side by side;
# fails where either does. The output of FIRST follows that of SECOND.
side_by_side() {
  local log first=0 second=0 pid
  log=$(mktemp)
  measured "$1" > "$log" 2>&1 &
  pid=$!
  measured "$2" || second=$?
  wait "$pid" || first=$?
  cat "$log"
  rm -f "$log"
  [ $first -eq 0 ] && [ $second -eq 0 ]
}

side_by_side scripts/build-windows.sh scripts/build-linux.sh
[ -z "$ready" ] || touch "$ready"
! $all || side_by_side "scripts/build-linux.sh aarch64" "scripts/build-linux.sh armhf"
