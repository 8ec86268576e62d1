#!/usr/bin/env bash
# Makes samples/mandelbrot.mp4, the clip the play command shows: ten seconds
# of a Mandelbrot zoom, whose fine detail and smooth shading suit a ramp of
# characters. Run it again only to change the sample; the clip is committed.
set -euo pipefail
cd "$(dirname "$0")/.."
mkdir -p samples
ffmpeg -nostdin -loglevel error -y \
  -f lavfi -i "mandelbrot=size=640x360:rate=25:start_scale=3:end_scale=0.0008:end_pts=250" \
  -t 10 -c:v libx264 -preset veryslow -crf 36 -pix_fmt yuv420p -movflags +faststart \
  samples/mandelbrot.mp4
