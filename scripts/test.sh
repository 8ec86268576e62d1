#!/usr/bin/env bash
# Installs what is missing, builds charplay and runs every test, the
# soonest verdict first:
#   1. native: charplay built from source, its unit and end-to-end tests
#      (minutes); a failure ends the run there;
#   2. sanitizers: built with AddressSanitizer and UndefinedBehaviorSanitizer,
#      the tests that run charplay's own code, and a bounded fuzzing run;
#   3. cross: charplay.exe and the portable Linux archives, against FFmpeg
#      and OpenCV built once and kept (scripts/sysroot/cache.sh), two at a
#      time, and the tests labelled cross: the exe under Wine, the archives
#      and packages in Debian roots and under qemu-user, the release.
# The source packages and Debian roots that part 3 needs are fetched in the
# background meanwhile. Each step prints how long it took.
#
#   test.sh [--native]    (--native: part 1 alone)
set -euo pipefail
cd "$(dirname "$0")/.."
native_only=false
[ "${1:-}" = --native ] && native_only=true

started=$SECONDS
steps=()
# Runs COMMAND as the step WHAT, timed.
step() {
  local what=$1 start=$SECONDS status=0
  shift
  echo "== $what"
  "$@" || status=$?
  steps+=("$(printf '%5d s  %s' $((SECONDS - start)) "$what")")
  echo "== $what: $((SECONDS - start)) s (run: $((SECONDS - started)) s)"
  return $status
}
summary() {
  echo "== Time of each step"
  printf '%s\n' "${steps[@]}"
  printf '%5d s  in all\n' $((SECONDS - started))
}
trap summary EXIT

# Runs the commands FIRST and SECOND (words split at spaces) side by side:
# one's configure scripts and installs leave a core that the other takes.
# Fails where either does; the output of FIRST follows that of SECOND.
side_by_side() {
  local log first=0 second=0 pid
  log=$(mktemp)
  $1 > "$log" 2>&1 &
  pid=$!
  $2 || second=$?
  wait "$pid" || first=$?
  cat "$log"
  rm -f "$log"
  [ $first -eq 0 ] && [ $second -eq 0 ]
}

packages=(cmake make g++ libopencv-dev libgtest-dev python3 ffmpeg tmux locales procps xvfb
  xdotool imagemagick zzuf g++-mingw-w64-x86-64 wine64 wine libbenchmark-dev lintian man-db
  groff-base dpkg-dev gzip openssl git xz-utils binutils util-linux file qemu-user python3-gi
  gir1.2-gst-rtsp-server-1.0 gstreamer1.0-plugins-good gstreamer1.0-plugins-bad rpm rpmlint
  cpio)
# What the cross builds need too, in the same apt run.
$native_only || packages+=(zip $(scripts/sysroot/tools.sh))
step "Installing packages" scripts/deps.sh "${packages[@]}"

prefetch=
if ! $native_only; then
  mkdir -p build
  scripts/sysroot/prefetch.sh > build/prefetch.log 2>&1 &
  prefetch=$!
fi

step "Native build" scripts/build.sh -DCHARPLAY_WERROR=ON -DCHARPLAY_TESTS=ON
step "Native tests" ctest --test-dir build --output-on-failure --parallel "$(nproc)" -LE cross
$native_only && exit 0

step "Sanitizer build" env BUILD_DIR=build-sanitize scripts/build.sh -DCHARPLAY_SANITIZE=ON \
  -DCHARPLAY_WERROR=ON -DCHARPLAY_TESTS=ON
step "Sanitizer tests" ctest --test-dir build-sanitize --output-on-failure --parallel "$(nproc)"

step "Fetching source packages and Debian roots (begun with the native build)" wait "$prefetch" ||
  { cat build/prefetch.log; exit 1; }
cat build/prefetch.log
step "charplay.exe beside the x86_64 archive" side_by_side scripts/build-windows.sh \
  scripts/build-linux.sh
step "The aarch64 archive beside the armhf one" side_by_side "scripts/build-linux.sh aarch64" \
  "scripts/build-linux.sh armhf"
step "Cross tests" ctest --test-dir build --output-on-failure --parallel "$(nproc)" -L cross
