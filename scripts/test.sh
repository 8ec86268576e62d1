#!/usr/bin/env bash
# Installs what is missing, builds charplay and runs its tests, the
# soonest verdict first. The gate, which CI runs on every change:
#   1. native: charplay built from source, its unit and end-to-end tests
#      (minutes); a failure ends the run there;
#   2. sanitizers: built with AddressSanitizer and UndefinedBehaviorSanitizer,
#      the tests that run charplay's own code, and a bounded fuzzing run;
#   3. the exe and the x86_64 archive: the tests of charplay.exe under Wine
#      and of the portable Linux archive for x86_64 in Debian roots, and
#      the decoders of their FFmpeg.
# With --all, the second tier, which every release needs, follows:
#   4. the other cross tests: the ARM archives under qemu-user, the
#      packages of all three archives, the release, the ARM decoders.
#      A pass is recorded for the commit (scripts/tested.sh), where the tree
#      had no changes.
# What parts 3 and 4 test is built in the background from the start, at
# the lowest priority, so that the tests in front keep their pace
# (scripts/build-cross.sh: FFmpeg and OpenCV are built once and kept, see
# scripts/sysroot/cache.sh); the source packages and Debian roots it needs
# are fetched beside it. Each step prints how long it took. Every test
# must run: all they need is installed, so a skipped one fails the run.
#
#   test.sh [--native | --all]    (--native: part 1 alone)
set -euo pipefail
cd "$(dirname "$0")/.."
tier=gate
case ${1:-} in
  --native) tier=native ;;
  --all) tier=all ;;
  "") ;;
  *) echo "usage: test.sh [--native | --all]" >&2; exit 2 ;;
esac
# A pass of --all stands for the commit only where the tree has no changes.
commit=
if [ $tier = all ] && [ -z "$(git status --porcelain --untracked-files=normal 2> /dev/null)" ]; then
  commit=$(git rev-parse HEAD)
fi

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

# Runs ctest in the build folder DIR with ARGUMENTS; fails where it fails,
# and where it skipped a test, which could then hide a failure.
#
#   tests DIR ARGUMENT...
tests() {
  local dir=$1 log status=0
  shift
  log=$(mktemp)
  ctest --test-dir "$dir" --output-on-failure --parallel "$(nproc)" "$@" 2>&1 | tee "$log" ||
    status=$?
  if grep -q '^The following tests did not run:' "$log"; then
    echo "FAIL: a test was skipped, although this run installed all it needs:"
    grep -h '^skipped: ' "$dir/Testing/Temporary/LastTest.log" || true
    status=1
  fi
  rm -f "$log"
  return $status
}

packages=(cmake make g++ libopencv-dev libgtest-dev python3 ffmpeg tmux locales procps xvfb
  xdotool imagemagick zzuf g++-mingw-w64-x86-64 wine64 wine libbenchmark-dev lintian man-db
  groff-base dpkg-dev gzip openssl git xz-utils binutils util-linux file python3-gi
  gir1.2-gst-rtsp-server-1.0 gstreamer1.0-plugins-good gstreamer1.0-plugins-bad time)
# What the cross builds and their tests need too, in the same apt run.
[ $tier = native ] || packages+=(zip unzip $(scripts/sysroot/tools.sh))
# The ARM archives run under qemu-user; the packages need rpm; the release
# is compared with diffoscope, and Node.js checks its bills of materials
# (one from elsewhere, NodeSource, is kept: Debian's npm would not install
# beside it).
[ $tier = all ] && packages+=(qemu-user rpm rpmlint cpio diffoscope-minimal)
[ $tier = all ] && ! command -v npm > /dev/null && packages+=(nodejs npm)
step "Installing packages" scripts/deps.sh "${packages[@]}"

background=
if [ $tier != native ]; then
  mkdir -p build
  rm -f build/x86-built
  all=()
  [ $tier = all ] && all=(--all)
  setsid bash -c 'scripts/sysroot/prefetch.sh "$@" > build/prefetch.log 2>&1 & fetching=$!
    nice -n 19 scripts/build-cross.sh "$@" build/x86-built && wait $fetching' \
    build-cross "${all[@]}" > build/cross.log 2>&1 &
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
step "Native tests" tests build -LE "cross|rebuild"
[ $tier = native ] && exit 0

step "Sanitizer build" env BUILD_DIR=build-sanitize scripts/build.sh -DCHARPLAY_SANITIZE=ON \
  -DCHARPLAY_WERROR=ON -DCHARPLAY_TESTS=ON
step "Sanitizer tests" tests build-sanitize

# The fixtures are those of the native tests.
x86='^(windows_exe_wine|linux_archive|sysroot_decoder(_list|s_windows|s_linux))$'
step "Waiting for charplay.exe and the x86_64 archive" built build/x86-built
if [ $tier = gate ]; then
  step "Their tests" tests build -FS videos -R "$x86"
  builds_ended
  exit 0
fi
step "Their tests, beside the ARM builds" tests build -FS videos -R "$x86"
step "Waiting for the ARM archives" builds_ended
step "The other cross tests" tests build -FS videos -L cross -E "$x86"
if [ -n "$commit" ] && [ "$(git rev-parse HEAD)" = "$commit" ] &&
   [ -z "$(git status --porcelain --untracked-files=normal)" ]; then
  scripts/tested.sh record "$commit"
fi
