# The cache of sysroots, sourced by scripts/build-windows.sh and
# scripts/build-linux.sh.
#
# A sysroot (FFmpeg, dav1d and OpenCV built for a target) is reused while
# its key stays the same: the source versions, the versions of the tools
# that build it and the scripts and CMake files that shape it. The source
# packages are kept once for all targets, under the key of their versions.
# Older sysroots and sources go once a new one is complete. All of it holds
# absolute paths, so it lives at a fixed place: $CHARPLAY_CACHE, by default
# ~/.cache/charplay.

cache=${CHARPLAY_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/charplay}
sysroot_scripts=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
sysroot_root=$(cd "$sysroot_scripts/../.." && pwd)

# One run at a time on the cache and on what is built from it: SCRIPT runs
# again under the lock, unless it already holds it (a script that calls
# another).
cache_lock() {
  local script=$1
  shift
  mkdir -p "$cache"
  if [ "${CHARPLAY_LOCKED:-}" != "$cache" ]; then
    CHARPLAY_LOCKED=$cache exec flock "$cache/lock" "$script" "$@"
  fi
}

# What building a sysroot for TARGET needs installed.
sysroot_install_tools() {
  source "$sysroot_scripts/$1.sh"
  "$sysroot_root/scripts/deps.sh" cmake make pkg-config nasm meson ninja-build patch dpkg-dev \
    libopencv-dev libavcodec-dev libdav1d-dev ffmpeg "${target_packages[@]}"
}

# The source packages in DIR (a release's source archive holds them) in
# place of Debian's archive, when they are the VERSIONS installed here.
sources_from() {
  local dir=$1 versions=$2 package version
  while read -r package version; do
    if [ ! -f "$dir/${package}_${version#*:}.dsc" ]; then
      echo "$dir has no ${package}_${version#*:}.dsc, the version installed here"
      return 1
    fi
  done <<< "$versions"
  rm -rf "$sources" && mkdir -p "$sources"
  cp "$dir"/*.dsc "$dir"/*.tar.* "$sources/"
  touch "$sources/done"
}

# Sets sysroot and sources for TARGET, building them first unless IF_CACHED
# is true. Returns 3 when they are not built and IF_CACHED is true, or
# when what builds them is not installed.
sysroot_ready() {
  local target=$1 if_cached=$2 versions inputs key
  source "$sysroot_scripts/$target.sh"
  if ! versions=$("$sysroot_scripts/fetch-sources.sh" --versions-only 2> /dev/null) ||
     ! inputs=$(cd "$sysroot_root" && echo "$versions" &&
                dpkg-query -W -f '${Package} ${Version}\n' nasm meson ninja-build cmake \
                  pkg-config ffmpeg "${target_tools[@]}" &&
                cat scripts/sysroot/build-*.sh scripts/sysroot/*-sources.sh \
                  scripts/sysroot/*.patch scripts/sysroot/"$target".* cmake/sysroot/* \
                  "${target_key_files[@]}" 2> /dev/null); then
    echo "What builds FFmpeg and OpenCV for $target is not installed: scripts/build-$target.sh installs it"
    return 3
  fi
  key=$(echo "$inputs" | sha256sum | cut -c 1-16)
  sysroot=$cache/$target-$key
  sources=$cache/sources-$(echo "$versions" | sha256sum | cut -c 1-16)
  [ -f "$sysroot/done" ] && [ -f "$sources/done" ] && return 0
  if $if_cached; then
    echo "FFmpeg and OpenCV for $target are not built in $cache: scripts/build-$target.sh builds them"
    return 3
  fi
  if [ -n "${CHARPLAY_SOURCE_PACKAGES:-}" ] && [ ! -f "$sources/done" ]; then
    sources_from "$CHARPLAY_SOURCE_PACKAGES" "$versions"
  fi
  echo "Building FFmpeg, dav1d and OpenCV for $target into $sysroot (minutes; once)"
  "$sysroot_scripts/build-sysroot.sh" "$target" "$sysroot" "$sources" "$cache/work-$target"
  for old in "$cache/$target"-* "$cache"/sources-*; do
    [ "$old" = "$sysroot" ] || [ "$old" = "$sources" ] || rm -rf "$old"
  done
}

# The start of scripts/build-TARGET.sh: one run at a time, what it needs
# installed (the sysroot's tools and the PACKAGES it packs with; nothing
# with --if-cached) and the sysroot, built when it is missing (not with
# --if-cached: then it exits 3).
#
#   sysroot_start TARGET PACKAGE... -- ARGUMENTS
sysroot_start() {
  local target=$1 packages=() if_cached=false
  shift
  while [ "$1" != -- ]; do packages+=("$1"); shift; done
  shift
  cache_lock "$sysroot_root/scripts/build-$target.sh" "$@"
  [ "${1:-}" = --if-cached ] && if_cached=true
  $if_cached || { sysroot_install_tools "$target" && "$sysroot_root/scripts/deps.sh" "${packages[@]}"; }
  sysroot_ready "$target" $if_cached
}

# Builds charplay for release in BUILD against the sysroot, with the
# target's CMake ARGUMENTS.
sysroot_build_charplay() {
  local build=$1
  shift
  cmake -S "$sysroot_root" -B "$build" -DOpenCV_DIR="$sysroot/lib/cmake/opencv4" \
    -DCMAKE_BUILD_TYPE=Release -DCHARPLAY_TESTS=OFF -DCHARPLAY_BENCHMARKS=OFF \
    -DBUILD_TESTING=OFF -DCHARPLAY_WERROR=ON "$@" > /dev/null
  cmake --build "$build" --parallel "$(nproc)" > /dev/null
}
