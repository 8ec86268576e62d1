# The cache of sysroots and Debian roots, sourced by scripts/build-windows.sh,
# scripts/build-linux.sh and the tests of what they build.
#
# A sysroot (FFmpeg, dav1d, OpenCV and maybe OpenSSL built for a target) is
# reused while its key stays the same: the source versions, the versions of
# the tools that build it (in its Debian root, for a target built in one),
# and the files that shape it (sysroot_key_files). The source packages are
# kept once for all targets, under the key of their versions. A Debian root
# (make-root.sh) is kept under a key of its own, as root-NAME-SUITE-ARCH-KEY,
# a name that pruning sysroots leaves alone. Older sysroots, sources and
# roots go once a new one is complete. All of it holds absolute paths, so it
# lives at a fixed place: $CHARPLAY_CACHE, by default ~/.cache/charplay.
#
# Where something is missing, the functions below return 3 when it is not
# built (and they were asked not to build it), and 4 when what builds it is
# not installed; the build scripts exit with the same. They are called
# where errexit does not hold, so each failure is returned by hand.

source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
cache=${CHARPLAY_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/charplay}

# One run at a time on TARGET's sysroot and on what is built from it, and
# none beside a run that takes the whole cache (TARGET empty: a release):
# SCRIPT runs again under the locks, in a clean environment (clean_env),
# unless it already holds them (a script that calls another). Two targets
# build side by side.
#
#   cache_lock TARGET SCRIPT ARGUMENT...
cache_lock() {
  local target=$1 script=$2
  shift 2
  mkdir -p "$cache"
  [ "${CHARPLAY_LOCKED:-}" != "$cache" ] || return 0
  export CHARPLAY_LOCKED=$cache CHARPLAY_CACHE=$cache
  if [ -z "$target" ]; then
    clean_env flock "$cache/lock" "$script" "$@"
    exit
  fi
  clean_env flock --shared "$cache/lock" flock "$cache/lock-$target" "$script" "$@"
  exit
}

# What building a sysroot for TARGET needs installed here, a package a line:
# the -dev packages whose versions the sources follow only where the
# sources are not a release's.
sysroot_tools() (
  load_target "$1"
  printf '%s\n' patch dpkg-dev util-linux mount "${target_packages[@]}"
  [ -n "${CHARPLAY_SOURCE_PACKAGES:-}" ] ||
    printf '%s\n' libopencv-dev libavcodec-dev libdav1d-dev libssl-dev
)

# The versions of the source packages a sysroot is built from, as
# fetch-sources.sh --versions-only prints them: those of a release's
# (CHARPLAY_SOURCE_PACKAGES) where it is set, else those this machine builds.
source_versions() {
  "$sysroot_scripts/fetch-sources.sh" --versions-only \
    ${CHARPLAY_SOURCE_PACKAGES:+"$CHARPLAY_SOURCE_PACKAGES"}
}

sysroot_install_tools() {
  "$sysroot_root/scripts/deps.sh" $(sysroot_tools "$1")
}

# The files whose content goes into TARGET's key, relative to the source
# tree, one a line; fails on one that is missing. A target named
# FAMILY-ARCH (linux-aarch64) also takes FAMILY.sh, which its file sources.
sysroot_key_files() (
  local family=()
  load_target "$1"
  cd "$sysroot_root"
  [ "${1%%-*}" = "$1" ] || family=(scripts/sysroot/"${1%%-*}".sh)
  for file in scripts/sysroot/common.sh scripts/sysroot/build-*.sh scripts/sysroot/*-root.sh \
              scripts/sysroot/*-sources.sh scripts/sysroot/*.patch scripts/sysroot/*.py \
              scripts/sysroot/"$1".* \
              "${family[@]}" cmake/sysroot/* "${target_key_files[@]}"; do
    [ -f "$file" ] || { echo "$sysroot_root/$file is missing" >&2; return 1; }
    echo "$file"
  done
)

# Sets root to the Debian root NAME of SUITE for ARCHITECTURE with
# PACKAGES, making it first (a minute or two, once) unless IF_CACHED is
# true.
#
#   root_ready NAME SUITE ARCHITECTURE IF_CACHED [PACKAGE...]
root_ready() {
  local name=$1 suite=$2 architecture=$3 if_cached=$4 key old
  shift 4
  # Another mirror (a snapshot of Debian's archive) makes another root.
  key=$({ echo "$*"; [ -z "${CHARPLAY_DEBIAN_MIRROR:-}" ] || echo "$CHARPLAY_DEBIAN_MIRROR"
          cat "$sysroot_scripts/make-root.sh"; } | sha256sum | cut -c 1-16)
  root=$cache/root-$name-$suite-$architecture-$key
  [ -d "$root" ] && return 0
  if $if_cached; then
    echo "The Debian $suite root ($name) is not made in $cache"
    return 3
  fi
  command -v debootstrap > /dev/null || { echo "debootstrap is not installed"; return 4; }
  echo "Making a Debian $suite root ($name) in $root (minutes; once)"
  mkdir -p "$cache"
  clean_env flock "$cache/roots.lock" "$sysroot_scripts/make-root.sh" "$suite" "$architecture" \
    "$root" "$@" ||
    return 1
  for old in "$cache/root-$name-$suite-$architecture"-*; do
    [ "$old" = "$root" ] || rm -rf "$old"
  done
}

# The source packages in DIR (a release's source archive holds them) in
# place of Debian's archive.
sources_from() {
  rm -rf "$sources" && mkdir -p "$sources"
  cp "$1"/*.dsc "$1"/*.tar.* "$sources/"
  touch "$sources/done"
}

# Sets sources to the folder of the source packages of VERSIONS (as
# source_versions prints them), taking them from CHARPLAY_SOURCE_PACKAGES
# or fetching them first unless IF_CACHED is true; returns 3 where they are
# missing then.
#
#   sources_ready VERSIONS IF_CACHED
sources_ready() {
  local versions=$1 if_cached=$2
  sources=$cache/sources-$(echo "$versions" | sha256sum | cut -c 1-16)
  [ -f "$sources/done" ] && return 0
  $if_cached && return 3
  if [ -n "${CHARPLAY_SOURCE_PACKAGES:-}" ]; then
    sources_from "$CHARPLAY_SOURCE_PACKAGES"
    return
  fi
  # Builds side by side share them: one fetch.
  flock "$cache/sources.lock" sh -c '[ -f "$1/done" ] ||
    { rm -rf "$1" && "$2" "$1" > /dev/null && touch "$1/done"; }' sh "$sources" \
    "$sysroot_scripts/fetch-sources.sh"
}

# Sets sysroot, sources and build_root (empty where TARGET builds on this
# machine) for TARGET, building them first unless IF_CACHED is true.
sysroot_ready() {
  local target=$1 if_cached=$2 versions tools files key old
  load_target "$target"
  build_root=
  if [ -n "$target_root" ]; then
    root_ready build "$target_root" amd64 "$if_cached" "${target_root_packages[@]}" || return
    build_root=$root
  fi
  if ! versions=$(source_versions 2> /dev/null) ||
     ! tools=$(dpkg-query --admindir="$build_root/var/lib/dpkg" -W -f '${Package} ${Version}\n' \
                 "${target_tools[@]}" 2> /dev/null); then
    echo "What builds FFmpeg and OpenCV for $target is not installed: $target_build installs it"
    return 4
  fi
  files=$(sysroot_key_files "$target") || return 1
  key=$({ echo "$versions"; echo "$tools"; echo "$build_root"
          cd "$sysroot_root" && xargs cat <<< "$files"; } | sha256sum | cut -c 1-16)
  sysroot=$cache/$target-$key
  sources_ready "$versions" true && [ -f "$sysroot/done" ] && return 0
  if $if_cached; then
    echo "FFmpeg and OpenCV for $target are not built in $cache: $target_build builds them"
    return 3
  fi
  sources_ready "$versions" false || return 1
  echo "Building FFmpeg, dav1d and OpenCV for $target into $sysroot (minutes; once)"
  clean_env "$sysroot_scripts/build-sysroot.sh" "$target" "$sysroot" "$sources" \
    "$cache/work-$target" "$build_root" || return 1
  # TARGET-KEY alone: linux-* would take linux-aarch64-KEY too.
  for old in "$cache/$target"-???????????????? "$cache"/sources-*; do
    [ "$old" = "$sysroot" ] || [ "$old" = "$sources" ] || rm -rf "$old"
  done
}

# The start of a build script for TARGET: one run at a time (the script
# runs again under the lock with ARGUMENTS), what it needs installed (the
# sysroot's tools and the PACKAGES it packs with; nothing with --if-cached)
# and the sysroot, built when it is missing (not with --if-cached: then it
# exits 3, or 4 where the tools are missing). With --fresh, charplay is
# then built in a fresh build folder (a release's).
#
#   sysroot_start TARGET PACKAGE... -- ARGUMENTS
sysroot_start() {
  local target=$1 packages=() if_cached=false status=0 argument
  shift
  while [ "$1" != -- ]; do packages+=("$1"); shift; done
  shift
  cache_lock "$target" "$sysroot_root/scripts/$(basename "$0")" "$@"
  fresh=false
  for argument; do
    case $argument in
      --if-cached) if_cached=true ;;
      --fresh) fresh=true ;;
    esac
  done
  $if_cached || { sysroot_install_tools "$target" && "$sysroot_root/scripts/deps.sh" "${packages[@]}"; }
  sysroot_ready "$target" $if_cached || status=$?
  [ $status -eq 0 ] || exit $status
}

# The Debian PACKAGES of ROOT (empty: this machine) as scripts/sbom.py
# takes them, with SCOPE and the Debian release of ROOT.
#
#   sbom_packages SCOPE ROOT PACKAGE...
sbom_packages() {
  local distro
  distro=$(. "$2/etc/os-release" && echo "$ID-$VERSION_ID")
  dpkg-query --admindir="$2/var/lib/dpkg" -W \
    -f "$1/$distro/"'${Package}/${Architecture}/${Version}/${source:Package}/${source:Version}\n' \
    "${@:3}"
}

# Builds charplay for release in BUILD against the sysroot, with the
# target's CMake ARGUMENTS, in a clean environment, in the target's root
# where it has one (a build made elsewhere, or asked for --fresh, is
# started afresh).
sysroot_build_charplay() {
  local build=$1 run=(clean_env)
  shift
  [ -z "$build_root" ] || run+=("$sysroot_scripts/in-root.sh" "$build_root" "$sysroot_root" "$sysroot" --)
  if $fresh || [ "$(cat "$build/built-in" 2> /dev/null)" != "${build_root:-/}" ]; then
    rm -rf "$build" && mkdir -p "$build" && echo "${build_root:-/}" > "$build/built-in"
  fi
  "${run[@]}" cmake -S "$sysroot_root" -B "$build" -DOpenCV_DIR="$sysroot/lib/cmake/opencv4" \
    -DCMAKE_BUILD_TYPE=Release -DCHARPLAY_TESTS=OFF -DCHARPLAY_BENCHMARKS=OFF \
    -DBUILD_TESTING=OFF -DCHARPLAY_WERROR=ON "$@" > /dev/null
  "${run[@]}" cmake --build "$build" --parallel "$(nproc)" > /dev/null
}
