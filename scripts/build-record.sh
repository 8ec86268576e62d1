#!/usr/bin/env bash
# Writes the build record of the release being made into OUT, in the form
# of Debian's control files: what of the building machine its bytes may
# depend on, for anyone rebuilding it (scripts/check-release.sh compares
# theirs with it). The commit, the day the record was made, the Debian
# mirror the build root came from and the state of the archive it found
# there (a snapshot of the archive at that date gives the same root), the
# packages that built the Windows exe and packed the release on this
# machine, and every package of the Debian root the Linux builds were made
# in. Published beside the release, not in it: no artefact depends on it.
# With --compare, installs the tools RECORD names, makes the Debian root as
# this tree makes it (CHARPLAY_DEBIAN_MIRROR: a snapshot of the archive at
# the recorded date), and says which of them differ from RECORD.
#
#   build-record.sh OUT VERSION | build-record.sh --compare RECORD
set -euo pipefail
if [ "${1:-}" = --compare ]; then
  file=$(realpath "$2")
else
  file=$(realpath "$1") version=$2
fi
cd "$(dirname "$0")/.."
source scripts/sysroot/cache.sh
load_target linux
# What packs: tar, xz and gzip the archives, zip the zip, dpkg-deb (with
# liblzma) the .deb, rpmbuild the .rpm, Python the bills of materials, git
# the source archive.
packing=(tar xz-utils liblzma5 gzip zip dpkg dpkg-dev rpm python3 git)
windows_tools=$(load_target windows && echo "${target_tools[@]}")

# The packages of ROOT (empty: this machine), all or those named, a line
# each, as a field's continuation lines.
#
#   packages_of ROOT [PACKAGE...]
packages_of() {
  dpkg-query --admindir="$1/var/lib/dpkg" -W -f ' ${Package}:${Architecture} ${Version}\n' "${@:2}" |
    LC_ALL=C sort
}
# The archive's state that ROOT was made from: its mirror, and its date.
mirror_of() {
  awk '$1 == "deb" { print $2; exit }' "$1/etc/apt/sources.list"
}
date_of() {
  sed -n 's/^Date: //p' "$1"/var/lib/apt/lists/*_dists_"$target_root"_InRelease
}

# The continuation lines of FIELD in RECORD, unindented.
#
#   field_lines RECORD FIELD
field_lines() {
  awk -v field="$2:" '$1 == field { on = 1; next } /^[^ ]/ { on = 0 } on { print $1, $2 }' "$1"
}

# Lines "NAME RECORDED HERE" for the packages whose versions differ.
#
#   differing RECORDED HERE
differing() {
  LC_ALL=C join -a 1 -a 2 -e '(none)' -o 0,1.2,2.2 <(LC_ALL=C sort <<< "$1") \
    <(LC_ALL=C sort <<< "$2") | awk '$2 != $3'
}

if [ "${1:-}" = --compare ]; then
  recorded=$file
  host=$(field_lines "$recorded" Host-Tools)
  root_packages=$(field_lines "$recorded" Root-Packages)
  if [ -z "$host" ] || [ -z "$root_packages" ]; then
    echo "build-record.sh: $recorded is no build record"
    exit 1
  fi
  scripts/deps.sh $(cut -d ' ' -f 1 <<< "$host" | sed 's/:.*//')
  root_ready build "$target_root" amd64 false "${target_root_packages[@]}"
  here=$(packages_of "" $(cut -d ' ' -f 1 <<< "$host") 2> /dev/null || true)
  found=$(differing "$host" "$(sed 's/^ //' <<< "$here")")
  found+=$'\n'$(differing "$root_packages" "$(packages_of "$root" | sed 's/^ //')" | sed 's/^/root: /')
  while read -r name field; do
    case $name in
      Root-Mirror:) here=$(mirror_of "$root") ;;
      Root-Archive-Date:) here=$(date_of "$root") ;;
      *) continue ;;
    esac
    [ "$field" = "$here" ] || found+=$'\n'"$name $field, here $here"
  done < "$recorded"
  found=$(sed '/^$/d' <<< "$found")
  if [ -z "$found" ]; then
    echo "The tools and the Debian root here are those the release was built with"
  else
    echo "These differ from what built the release (recorded, then here); the bytes may too:"
    sed 's/^/    /' <<< "$found"
  fi
  exit 0
fi

root_ready build "$target_root" amd64 true "${target_root_packages[@]}"
read -r commit _ < <(scripts/commit.sh)
{
  echo "Format: charplay-build-record-1"
  echo "Source: charplay"
  echo "Version: $version"
  echo "Commit: $commit"
  echo "Made: $(date -u -R)"
  echo "Host-System: $(. /etc/os-release && echo "$ID-$VERSION_ID")"
  echo "Host-Tools:"
  # shellcheck disable=SC2086 # a list of names
  packages_of "" $windows_tools "${packing[@]}"
  echo "Root-Suite: $target_root"
  echo "Root-Mirror: $(mirror_of "$root")"
  echo "Root-Archive-Date: $(date_of "$root")"
  echo "Root-Packages:"
  packages_of "$root"
} > "$file"
