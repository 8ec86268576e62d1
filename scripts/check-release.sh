#!/usr/bin/env bash
# Checks a release as published in DIR: first that every file SHA256SUMS
# names is there with that checksum, and that SHA256SUMS names every file
# of the release's version there; then, where DIR has the release's build
# record, which of this machine's tools and Debian root differ from those
# it was built with; then builds the release again from its own source
# archive, unpacked in a fresh folder, and compares every file, naming each
# that differs. OUT, where given, keeps the files built again. The sysroots
# are built from the archive's Debian sources into the cache, the first
# time (about fifty minutes), and reused after. Any failure ends with a
# line saying what, and status 1 (2 for wrong arguments).
#
#   check-release.sh DIR [OUT]
set -euo pipefail
fail() {
  echo "check-release.sh: $*" >&2
  exit 1
}
if [ $# -lt 1 ] || [ $# -gt 2 ]; then
  echo "usage: check-release.sh DIR [OUT]" >&2
  exit 2
fi
[ -d "$1" ] || fail "$1 is not a folder"
dir=$(realpath "$1")
sums=$dir/SHA256SUMS
[ -f "$sums" ] || fail "$dir has no SHA256SUMS"

# SHA256SUMS as sha256sum writes it: a checksum and a name in this folder.
names=()
line=0
while IFS= read -r entry || [ -n "$entry" ]; do
  line=$((line + 1))
  [[ $entry =~ ^[0-9a-f]{64}\ \ ([A-Za-z0-9][A-Za-z0-9._+~-]*)$ ]] ||
    fail "line $line of $sums is not a SHA-256 checksum and a file name"
  names+=("${BASH_REMATCH[1]}")
done < "$sums"
[ ${#names[@]} -gt 0 ] || fail "$sums names no file"
mapfile -t archives < <(printf '%s\n' "${names[@]}" | grep -x 'charplay-[0-9.]*-sources\.tar\.xz')
[ ${#archives[@]} -eq 1 ] ||
  fail "$sums does not name one source archive (charplay-VERSION-sources.tar.xz)"
archive=${archives[0]}
version=${archive#charplay-}
version=${version%-sources.tar.xz}
record=charplay-$version.buildinfo

# What was published is what is built again: every file named, with its
# checksum, and no file of the version that is not named.
for name in "${names[@]}"; do
  [ -f "$dir/$name" ] || fail "$sums names $name, which $dir does not have"
done
changed=$(cd "$dir" && { sha256sum -c "$sums" 2> /dev/null || true; } | sed -n 's/: FAILED$//p' |
          paste -s -d ' ')
[ -z "$changed" ] || fail "not the files $sums names (changed since they were published): $changed"
for file in "$dir"/charplay[-_]"$version"[-_.]*; do
  name=$(basename "$file")
  [ -f "$file" ] && [ "$name" != "$record" ] || continue
  printf '%s\n' "${names[@]}" | grep -qxF "$name" ||
    fail "$dir has $name, which $sums does not name"
done
echo "Every file $sums names is as published"

"$(dirname "$0")/deps.sh" xz-utils > /dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
tar -xJf "$dir/$archive" -C "$work"
unpacked=$work/${archive%.tar.xz}
tree=$unpacked/charplay-$version
[ -x "$tree/scripts/release.sh" ] || fail "$archive holds no charplay-$version/scripts/release.sh"
export CHARPLAY_SOURCE_PACKAGES=$unpacked/debian CHARPLAY_SOURCE_ARCHIVE=$dir/$archive
# Before the long build: what here differs from what built the release.
if [ -f "$dir/$record" ]; then
  "$tree/scripts/build-record.sh" --compare "$dir/$record"
else
  echo "$dir has no $record: this machine's tools cannot be compared with those that built it"
fi
"$tree/scripts/release.sh" > /dev/null || fail "the release did not build again from $archive"
if [ -n "${2:-}" ]; then
  mkdir -p "$2" && cp "$tree"/dist/* "$2/"
fi
differing=()
for name in "${names[@]}" SHA256SUMS; do
  cmp -s "$dir/$name" "$tree/dist/$name" || differing+=("$name")
done
[ ${#differing[@]} -eq 0 ] ||
  fail "built again from $archive, these files differ from those published: ${differing[*]}"
echo "Built again from $archive: every file the same as in $sums"
