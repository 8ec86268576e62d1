#!/usr/bin/env python3
"""Makes the test videos with ffmpeg into the folder named on the command line.

Most are lossless (FFV1 holding BGR) so that every decoded pixel, and so every
character of the frame text, is known in advance. Most run at 1000 frames a
second, which makes charplay wait 1 ms between frames.
"""
import os
import random
import shutil
import sys

from tests.harness import ffmpeg

# Clips of the containers and codecs people's files come in, five frames of
# 160 x 90 each: the Windows build must decode them as the Linux build does.
CODECS = {
    "av1.mp4": ("-c:v", "libaom-av1", "-cpu-used", "8"),
    "av1.webm": ("-c:v", "libaom-av1", "-cpu-used", "8"),
    "av1.mkv": ("-c:v", "libaom-av1", "-cpu-used", "8"),
    "hevc_10bit.mkv": ("-c:v", "libx265", "-pix_fmt", "yuv420p10le",
                       "-x265-params", "log-level=none"),
    "h264.mp4": ("-c:v", "libx264", "-pix_fmt", "yuv420p"),
    "vp9.webm": ("-c:v", "libvpx-vp9"),
    "vp8.webm": ("-c:v", "libvpx"),
    "prores.mov": ("-c:v", "prores_ks"),
    "mpeg4.avi": ("-c:v", "mpeg4"),
    "mpeg2.mpg": ("-c:v", "mpeg2video", "-r", "25"),
    "mjpeg.mov": ("-c:v", "mjpeg"),
    "flv1.flv": ("-c:v", "flv1"),
    "wmv2.wmv": ("-c:v", "wmv2"),
    "msmpeg4v3.avi": ("-c:v", "msmpeg4"),
    "ffv1.nut": ("-c:v", "ffv1"),
}

# The smallest grey value that picks each selectable ramp index.
STEP_GREYS = [-(-255 * k // 69) for k in range(70)]


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
    # Two clips that differ only in length, to count allocations per frame.
    for count in (20, 60):
        solid_colour(320, 180, 1000, "gray", count, at(f"alloc_{count}.mkv"))
    hostile(out)


def encode(path, source, rate, count, *codec):
    ffmpeg("-f", "lavfi", "-i", f"{source}:r={rate}", "-frames:v", str(count), *codec, path)


def hostile(out):
    """Files that are damaged, oddly shaped or oddly timed."""
    def at(name):
        return os.path.join(out, name)
    h264 = ("-c:v", "libx264", "-pix_fmt", "yuv420p")
    ffv1 = ("-c:v", "ffv1", "-pix_fmt", "bgr0")

    # Playable files under names the library might read as something else.
    encode(at("clip.mp4"), "testsrc2=s=320x180", 1000, 60, *h264, "-movflags", "+faststart")
    for name in ("100%.mp4", "frame%d.mp4", "-dash.mp4", "vidéo.mp4"):
        shutil.copy(at("clip.mp4"), at(name))

    # Damaged: the first half of an MP4 whose index comes first; an MKV with
    # random bytes over its middle third; an MKV whose frames are all zeros.
    with open(at("clip.mp4"), "rb") as f:
        data = f.read()
    with open(at("half.mp4"), "wb") as f:
        f.write(data[:len(data) // 2])
    encode(at("clip.mkv"), "testsrc2=s=320x180", 1000, 20, *h264)
    for name, codec in CODECS.items():
        encode(at(name), "testsrc2=s=160x90", 1000, 5, *codec)
    # Theora, coded 400 x 304 for a picture of 400 x 300.
    encode(at("theora.ogv"), "testsrc2=s=400x300", 25, 10, "-c:v", "libtheora")
    # 4:4:4 Theora where FFmpeg 5.1's frame threads raced, from the first
    # inter frame on: its luma, noise, is coded intra, and its chroma, the
    # same for two frames at a time, is copied from the frame before.
    ffmpeg("-f", "lavfi", "-i", "nullsrc=s=400x300:r=25,format=yuv444p,"
           "geq=lum='random(1)*255':cb='if(mod(floor(N/2),2),60,200)':cr=128",
           "-frames:v", "12", "-c:v", "libtheora", "-q:v", "7", at("theora444.ogv"))
    # An HLS playlist of four segments, and the file it was cut from.
    encode(at("stream.mp4"), "testsrc2=s=160x90", 25, 12, *h264, "-g", "3")
    # Four seconds, for a live server to go away in the middle of; with no
    # B-frames, a frame the cut leaves whole is shown whole.
    encode(at("live.mp4"), "testsrc2=s=160x90", 25, 100, *h264, "-g", "5", "-bf", "0")
    os.makedirs(at("hls"), exist_ok=True)
    ffmpeg("-i", at("stream.mp4"), "-c", "copy", "-f", "hls", "-hls_time", "0.1",
           "-hls_playlist_type", "vod", at("hls/index.m3u8"))
    # Ten segments of two frames, a second each: a stream to stop mid-way.
    encode(at("slow_stream.mp4"), "testsrc2=s=160x90", 2, 20, *h264, "-g", "2")
    os.makedirs(at("slow_hls"), exist_ok=True)
    ffmpeg("-i", at("slow_stream.mp4"), "-c", "copy", "-f", "hls", "-hls_time", "1",
           "-hls_playlist_type", "vod", at("slow_hls/index.m3u8"))
    with open(at("clip.mkv"), "rb") as f:
        data = bytearray(f.read())
    third = len(data) // 3
    data[third:2 * third] = random.Random(1).randbytes(third)
    with open(at("scrambled.mkv"), "wb") as f:
        f.write(data)
    encode(at("nothing.mkv"), "testsrc2=s=320x180", 1000, 5, *ffv1)
    with open(at("nothing.mkv"), "rb") as f:
        data = bytearray(f.read())
    cluster = data.find(bytes.fromhex("1F43B675"))
    data[cluster + 40:len(data) - 200] = bytes(len(data) - 240 - cluster)
    with open(at("nothing.mkv"), "wb") as f:
        f.write(data)
    # A stream that changes size after three frames.
    parts = []
    for size in ("320x180", "640x480"):
        encode(at(f"part_{size}.ts"), f"color=c=white:s={size}", 1000, 3, *h264, "-f", "mpegts")
        with open(at(f"part_{size}.ts"), "rb") as f:
            parts.append(f.read())
    with open(at("resized.ts"), "wb") as f:
        f.write(b"".join(parts))

    # Odd geometry.
    for width, height in ((1, 1), (1, 2000)):
        lossless_from_frames(at(f"geometry_{width}x{height}.mkv"), width, height, 1000,
                             [solid(width, height, 255)])
    encode(at("geometry_7680x4320.mkv"), "color=c=white:s=7680x4320", 1000, 1, *ffv1)
    # Odd rates, written into the header as they are; and a raw stream that
    # gives none.
    for rate in ("0.5", "1000", "1001", "5000"):
        encode(at(f"rate_{rate}.mov"), "color=c=gray:s=64x90", rate, 2 if rate != "0.5" else 1,
               *ffv1, "-strict", "-2")
    # A slideshow at one frame in five seconds, and rates only damaged
    # headers give, as AVI stores them.
    encode(at("rate_0.2.avi"), "color=c=gray:s=64x90", "0.2", 1, *ffv1)
    for rate in ("0.01", "0.00012"):
        encode(at(f"rate_{rate}.avi"), "color=c=gray:s=64x90", rate, 3, *ffv1)
    encode(at("no_rate.h264"), "color=c=gray:s=64x90", 25, 3, *h264, "-f", "h264")
    # A long one, to stop with signals: two frames a second.
    encode(at("slow.mkv"), "color=c=gray:s=320x180", 2, 120, *ffv1)


if __name__ == "__main__":
    main()
