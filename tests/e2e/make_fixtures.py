#!/usr/bin/env python3
"""Makes the test videos with ffmpeg into the folder named on the command line.

Most are lossless (FFV1 holding BGR) so that every decoded pixel, and so every
character of the frame text, is known in advance. Most run at 1000 frames a
second, which makes charplay wait 1 ms between frames.
"""
import os
import subprocess
import sys

# The smallest grey value that picks each selectable ramp index.
STEP_GREYS = [-(-255 * k // 69) for k in range(70)]


def ffmpeg(*args, frames=None):
    cmd = ["ffmpeg", "-nostdin", "-loglevel", "error", "-y", *args]
    subprocess.run(cmd, input=frames, check=True)


def lossless_from_frames(path, width, height, rate, frames):
    """frames: a list of bytes objects, each width * height * 3 BGR bytes."""
    ffmpeg("-f", "rawvideo", "-pix_fmt", "bgr24", "-s", f"{width}x{height}",
           "-framerate", str(rate), "-i", "-",
           "-c:v", "ffv1", "-pix_fmt", "bgr0", path, frames=b"".join(frames))


def solid(width, height, grey):
    return bytes([grey]) * (width * height * 3)


def solid_colour(width, height, rate, colour, count, path):
    ffmpeg("-f", "lavfi", "-i", f"color=c={colour}:s={width}x{height}:r={rate}",
           "-frames:v", str(count), "-c:v", "ffv1", "-pix_fmt", "bgr0", path)


def numbered_colour(width, height, i):
    """Frame i in BGR: blue i, green 255 - i, red 128."""
    return bytes([i, 255 - i, 128]) * (width * height)


def steps(width, height, band):
    """Vertical bands band pixels wide, one for each ramp index, dark to bright."""
    row = bytearray()
    for grey in STEP_GREYS:
        row += bytes([grey]) * (band * 3)
    row += bytes(width * 3 - len(row))
    return bytes(row) * height


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)

    def at(name):
        return os.path.join(out, name)

    # One frame for each grey value that tells the ramp's edges apart.
    lossless_from_frames(at("greys.mkv"), 320, 180, 1000,
                         [solid(320, 180, g) for g in (0, 3, 4, 128, 254, 255)])
    # The whole selectable ramp in one frame: 70 bands 4 pixels wide, which
    # a divisor of 2 turns into two characters each.
    lossless_from_frames(at("steps.mkv"), 320, 180, 1000, [steps(320, 180, 4)])
    # Sizes by format.
    for width, height in ((1920, 1080), (640, 480), (854, 480), (800, 600), (160, 40)):
        solid_colour(width, height, 1000, "white", 2, at(f"size_{width}x{height}.mkv"))
    # Pacing: 10 frames at 25 a second.
    solid_colour(64, 90, 25, "gray", 10, at("pace25.mkv"))
    # A path with a space in it.
    solid_colour(64, 90, 1000, "black", 2, at("two words.mkv"))
    # A terminal run long enough to be looked at while it plays: a second of
    # frames that alternate between two greys.
    lossless_from_frames(at("terminal.mkv"), 320, 180, 10,
                         [solid(320, 180, (0, 128)[i % 2] if i else 255) for i in range(10)])
    # The preview window: eight seconds whose frames each have their own
    # colour, blue and green telling the frame's number.
    lossless_from_frames(at("colours.mkv"), 320, 180, 25,
                         [numbered_colour(320, 180, i) for i in range(200)])


if __name__ == "__main__":
    main()
