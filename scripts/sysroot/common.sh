# What every sysroot script shares: three helpers, and what a target file
# (TARGET.sh beside this one) sets, which load_target TARGET loads:
#
#   target_packages      Debian packages installed on this machine to build
#                        for the target
#   target_root          the Debian suite of the root the target is built in
#                        (make-root.sh), or empty to build on this machine
#   target_root_packages the packages of that root
#   target_tools         packages whose versions go into the sysroot's key,
#                        looked up where the target is built
#   target_key_files     files outside scripts/sysroot/ that also go into it
#   target_build         the command that builds it, for messages
#   target_prefix        the prefix of its compilers and binutils (strip)
#   dav1d_target         dav1d's meson arguments for the target
#   ffmpeg_target        FFmpeg's configure arguments for the target
#   openssl_target       OpenSSL's Configure arguments (a static OpenSSL for
#                        FFmpeg's TLS), or empty when the target has its own
#   opencv_target        OpenCV's CMake arguments for the target
#   pkg_config           the pkg-config that knows the target's libraries
#   pkg_config_variable  PKG_CONFIG_PATH (the sysroot's libraries before the
#                        system's) or PKG_CONFIG_LIBDIR (the sysroot's alone)
sysroot_scripts=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
sysroot_root=$(cd "$sysroot_scripts/../.." && pwd)

# Where a sysroot, its sources and these scripts are seen while it is built,
# whatever the folders of the cache and the clone (in-root.sh binds them
# there): the paths that end up in the libraries (file names in messages,
# the install prefix, the configure lines) then read the same everywhere.
build_place=/opt/charplay

# What reaches a build, a packing step or the making of a root of the
# environment: these alone, so that no compiler flag, packer option or
# per-user configuration of the builder's (~/.rpmmacros, ~/.gitconfig)
# reaches the bytes. The umask is the process's own. The CHARPLAY_
# variables are the cache's place and lock, and where a rebuild takes its
# sources and roots from.
clean_variables=(PATH SOURCE_DATE_EPOCH TZ LC_ALL CHARPLAY_CACHE CHARPLAY_LOCKED
                 CHARPLAY_SOURCE_PACKAGES CHARPLAY_SOURCE_ARCHIVE CHARPLAY_DEBIAN_MIRROR)

# Runs COMMAND with the clean_variables that are set and nothing else, with
# a home that holds nothing and no system-wide git configuration.
#
#   clean_env COMMAND...
clean_env() {
  local name kept=(HOME=/nonexistent GIT_CONFIG_NOSYSTEM=1)
  for name in "${clean_variables[@]}"; do
    [ -z "${!name+set}" ] || kept+=("$name=${!name}")
  done
  env -i "${kept[@]}" "$@"
}

# The Debian release whose source packages the libraries are built from:
# fetch-sources.sh fetches them from this machine's, which must be it.
sources_debian=12

load_target() {
  source "$sysroot_scripts/$1.sh"
}

# Runs COMMAND with its output in LOG; on failure, shows the log's end.
#
#   logged LOG COMMAND...
logged() {
  local log=$1
  shift
  "$@" > "$log" 2>&1 || { local status=$?; tail -n 30 "$log"; return $status; }
}

# Runs COMMAND, then prints how long WHAT took, so that a log shows where
# the time goes.
#
#   timed WHAT COMMAND...
timed() {
  local what=$1 start=$SECONDS
  shift
  "$@" || return
  echo "$what: $((SECONDS - start)) s"
}

# Writes COMMAND to FILE as a line that a shell reads back into the same
# arguments ($ORIGIN stays $ORIGIN), for anyone rebuilding by hand: a word
# with anything but the plainest characters in it goes in single quotes.
#
#   record FILE COMMAND...
record() {
  local file=$1 plain='^[A-Za-z0-9_./=:,+@%-]+$' word words=()
  shift
  for word; do
    if [[ $word =~ $plain ]]; then
      words+=("$word")
    else
      words+=("'${word//\'/\'\\\'\'}'")
    fi
  done
  mkdir -p "$(dirname "$file")"
  echo "${words[*]}" > "$file"
}
