#!/usr/bin/env bash
# Makes doc/screenshot.gif, the README's picture: a few seconds of charplay
# playing the bundled sample in xterm on a private X server, with the window
# "video" under the terminal. Installs what is missing and builds charplay
# first (as play.sh does).
#
#   scripts/screenshot.sh [SECONDS]   how long to record (3 by default)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-3}
scripts/deps.sh cmake make g++ libopencv-dev xvfb xterm xdotool ffmpeg gifsicle fonts-dejavu-core
scripts/build.sh -DCHARPLAY_TESTS=OFF -DCHARPLAY_BENCHMARKS=OFF > /dev/null
charplay=$PWD/${BUILD_DIR:-build}/charplay
work=$(mktemp -d)
trap 'kill $(jobs -p) 2> /dev/null || true; rm -rf "$work"' EXIT

# 160 x 91 cells of a 5-pixel-wide font, 800 pixels, and under them the
# window with its 640 x 360 frames: a picture that a project page shows at
# its own width, characters 5 pixels wide.
exec 3> "$work/display"
Xvfb -displayfd 3 -screen 0 800x1400x24 -nolisten tcp > /dev/null 2>&1 &
until [ -s "$work/display" ]; do sleep 0.1; done
export DISPLAY=:$(head -n 1 "$work/display")

# The sample loops (its own length is 10 s), so that the recording may
# start at any time; the terminal is closed by the trap.
xterm -geometry 160x91+0+0 -fa "DejaVu Sans Mono" -fs 6 -bg black -fg grey90 -b 0 \
  -e sh -c "while echo samples/mandelbrot.mp4 | '$charplay'; do :; done" 2> /dev/null &
video=$(xdotool search --sync --onlyvisible --name '^video$' | head -n 1)
terminal=$(xdotool search --sync --onlyvisible --class xterm | head -n 1)
eval "$(xdotool getwindowgeometry --shell "$terminal")"
# Qt's window is wider than its frames (its tool bar), which it centres:
# moved to the left, its frames sit in the middle of the 800 pixels.
top=$((HEIGHT + 4))
eval "$(xdotool getwindowgeometry --shell "$video")"
xdotool windowmove --sync "$video" $(((800 - WIDTH) / 2)) "$top"
bottom=$((top + HEIGHT))

# Six pictures a second, grabbed to a file first (a palette made while
# grabbing would hold every picture in memory); then a palette of few
# colours, without dithering, which keeps the character art sharp. Three
# seconds come to about 2.5 MB.
ffmpeg -nostdin -loglevel error -y -f x11grab -framerate 6 -t "$seconds" \
  -video_size 800x$((bottom + 2)) -i "$DISPLAY" -c:v ffv1 "$work/grabbed.mkv"
ffmpeg -nostdin -loglevel error -y -i "$work/grabbed.mkv" \
  -vf palettegen=max_colors=32:stats_mode=full "$work/palette.png"
mkdir -p doc
ffmpeg -nostdin -loglevel error -y -i "$work/grabbed.mkv" -i "$work/palette.png" \
  -lavfi paletteuse=dither=none "$work/screenshot.gif"
gifsicle -O3 --lossy=80 "$work/screenshot.gif" -o doc/screenshot.gif
echo "doc/screenshot.gif: $(stat -c %s doc/screenshot.gif) bytes"
