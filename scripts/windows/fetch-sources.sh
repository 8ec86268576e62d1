#!/usr/bin/env bash
# Fetches Debian's sources of FFmpeg and OpenCV, at the versions this
# machine's own packages have, into DIR; prints "ffmpeg VERSION" and
# "opencv VERSION" first. Uses a private apt state in DIR, so the system's
# sources lists stay as they are.
#
#   fetch-sources.sh DIR [--versions-only]
set -euo pipefail
dir=$1

# The source version a binary package comes from.
source_version() {
  apt-cache show --no-all-versions "$1" | awk '
    /^Version:/ { version = $2 }
    /^Source:/ && $3 != "" { gsub(/[()]/, "", $3); source = $3 }
    END { print source != "" ? source : version }'
}
ffmpeg=$(source_version libavcodec-dev)
opencv=$(source_version libopencv-dev)
echo "ffmpeg $ffmpeg"
echo "opencv $opencv"
[ "${2:-}" = --versions-only ] && exit 0
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)

# deb-src twins of the system's own deb entries.
apt=$dir/apt
mkdir -p "$apt/sources" "$apt/lists/partial" "$apt/cache/archives/partial"
for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
  [ -f "$file" ] && sed -n 's/^deb /deb-src /p' "$file" > "$apt/sources/$(basename "$file").list"
done
for file in /etc/apt/sources.list.d/*.sources; do
  [ -f "$file" ] && sed 's/^Types:.*/Types: deb-src/' "$file" > "$apt/sources/$(basename "$file")"
done
options=(-o Dir::Etc::SourceList=/dev/null -o "Dir::Etc::SourceParts=$apt/sources"
         -o "Dir::State::Lists=$apt/lists" -o "Dir::Cache=$apt/cache" -o APT::Sandbox::User=root)
apt-get "${options[@]}" -q update > /dev/null
cd "$dir"
apt-get "${options[@]}" -q source "ffmpeg=$ffmpeg" "opencv=$opencv" > /dev/null
