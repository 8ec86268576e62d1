#!/usr/bin/env bash
# Installs what is missing, builds charplay and runs every test, the
# soonest verdict first:
#   1. native: charplay built from source, its unit and end-to-end tests
#      (minutes); a failure ends the run there;
#   2. sanitizers: built with AddressSanitizer and UndefinedBehaviorSanitizer,
#      the tests that run charplay's own code, and a bounded fuzzing run;
#   3. cross: the tests labelled cross, of charplay.exe under Wine, the
#      portable Linux archives and their packages in Debian roots and under
#      qemu-user, and the release.
# What part 3 tests is built in the background from the start, at the
# lowest priority, so that the tests in front keep their pace
# (scripts/build-cross.sh: FFmpeg and OpenCV are built once and kept, see
# scripts/sysroot/cache.sh); the source packages and Debian roots it needs
# are fetched beside it. Each step prints how long it took.
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

packages=(cmake make g++ libopencv-dev libgtest-dev python3 ffmpeg tmux locales procps xvfb
  xdotool imagemagick zzuf g++-mingw-w64-x86-64 wine64 wine libbenchmark-dev lintian man-db
  groff-base dpkg-dev gzip openssl git xz-utils binutils util-linux file qemu-user python3-gi
  gir1.2-gst-rtsp-server-1.0 gstreamer1.0-plugins-good gstreamer1.0-plugins-bad rpm rpmlint
  cpio time)
# What the cross builds and their tests need too, in the same apt run.
$native_only || packages+=(zip unzip diffoscope-minimal $(scripts/sysroot/tools.sh))
# Node.js checks the bills of materials; one from elsewhere (NodeSource) is
# kept, as Debian's npm would not install beside it.
$native_only || command -v npm > /dev/null || packages+=(nodejs npm)
step "Installing packages" scripts/deps.sh "${packages[@]}"

background=
if ! $native_only; then
  mkdir -p build
  rm -f build/x86-built
  setsid bash -c 'scripts/sysroot/prefetch.sh > build/prefetch.log 2>&1 & fetching=$!
    nice -n 19 scripts/build-cross.sh build/x86-built && wait $fetching' > build/cross.log 2>&1 &
  background=$!
  # A run that fails in front leaves nothing building behind it.
  trap 'kill -- -"$background" 2> /dev/null || true; summary' EXIT
fi
# Waits for FILE, which the background builds make; fails, with their
# logs, where they end first.
built() {
  until [ -f "$1" ]; do
    kill -0 "$background" 2> /dev/null || [ -f "$1" ] || { builds_ended; return 1; }
    sleep 1
  done
}
# Waits for the background builds and fetches to end, and shows their logs.
builds_ended() {
  local status=0
  wait "$background" || status=$?
  cat build/prefetch.log build/cross.log
  return $status
}

step "Native build" scripts/build.sh -DCHARPLAY_WERROR=ON -DCHARPLAY_TESTS=ON
step "Native tests" ctest --test-dir build --output-on-failure --parallel "$(nproc)" -LE "cross|rebuild"
$native_only && exit 0

step "Sanitizer build" env BUILD_DIR=build-sanitize scripts/build.sh -DCHARPLAY_SANITIZE=ON \
  -DCHARPLAY_WERROR=ON -DCHARPLAY_TESTS=ON
step "Sanitizer tests" ctest --test-dir build-sanitize --output-on-failure --parallel "$(nproc)"

# The fixtures are those of the native tests.
cross_tests=(ctest --test-dir build --output-on-failure --parallel "$(nproc)" -FS videos)
x86='^(windows_exe_wine|linux_archive)$'
step "Waiting for charplay.exe and the x86_64 archive" built build/x86-built
step "Their tests, beside the ARM builds" "${cross_tests[@]}" -R "$x86"
step "Waiting for the ARM archives" builds_ended
step "The other cross tests" "${cross_tests[@]}" -L cross -E "$x86"
