#!/usr/bin/env bash
# Makes doc/screenshot.png, the README's picture: charplay playing the
# bundled sample in xterm on a private X server, the window "video" beside
# it. Installs what is missing and builds charplay first (as play.sh does).
#
#   scripts/screenshot.sh [SECONDS]   how far into the sample (3 by default)
set -euo pipefail
cd "$(dirname "$0")/.."
at=${1:-3}
scripts/deps.sh cmake make g++ libopencv-dev xvfb xterm xdotool imagemagick fonts-dejavu-core
scripts/build.sh -DCHARPLAY_TESTS=OFF -DCHARPLAY_BENCHMARKS=OFF > /dev/null
charplay=$PWD/${BUILD_DIR:-build}/charplay
work=$(mktemp -d)
trap 'kill $(jobs -p) 2> /dev/null || true; rm -rf "$work"' EXIT

# Room for 160 x 91 cells of a 5-pixel-wide font, and beside them the
# window: Qt's, with its tool bar, is far wider than the 640 x 360 frames.
exec 3> "$work/display"
Xvfb -displayfd 3 -screen 0 2400x960x24 -nolisten tcp > /dev/null 2>&1 &
until [ -s "$work/display" ]; do sleep 0.1; done
export DISPLAY=:$(head -n 1 "$work/display")

# The sample loops (its own length is 10 s) so that the picture may be taken
# at any time; the terminal is closed by the trap.
xterm -geometry 160x91+0+0 -fa "DejaVu Sans Mono" -fs 6 -bg black -fg grey90 -b 0 \
  -e sh -c "while echo samples/mandelbrot.mp4 | '$charplay'; do :; done" 2> /dev/null &
video=$(xdotool search --sync --onlyvisible --name '^video$' | head -n 1)
terminal=$(xdotool search --sync --onlyvisible --class xterm | head -n 1)
width=$(xdotool getwindowgeometry "$terminal" | sed -n 's/.*Geometry: \([0-9]*\)x.*/\1/p')
xdotool windowmove "$video" $((width + 20)) 20
sleep "$at"

mkdir -p doc
# Grey levels and a few colours compress the character art well.
import -display "$DISPLAY" -window root png:- |
  convert - -trim +repage +dither -colors 48 -strip -define png:compression-level=9 doc/screenshot.png
echo "doc/screenshot.png: $(stat -c %s doc/screenshot.png) bytes"
