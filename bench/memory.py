#!/usr/bin/env python3
"""Resident memory over a long clip: after the first hundred frames and near
the end must differ by less than a few percent.

  python3 -m bench.memory CHARPLAY [--frames N]

Makes an H.264 clip of N frames (3000 by default, 640 x 360, a 1 ms wait
each), plays it with the output piped here, and reads charplay's VmRSS from
/proc as the frames go by.
"""
import argparse
import os
import subprocess
import sys
import tempfile

from tests.harness import NO_DISPLAY

LIMIT = 0.03  # the growth that fails


def rss_kib(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    raise RuntimeError("no VmRSS")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("charplay")
    parser.add_argument("--frames", type=int, default=3000)
    options = parser.parse_args()

    with tempfile.TemporaryDirectory() as folder:
        clip = os.path.join(folder, "long.mp4")
        subprocess.run(["ffmpeg", "-nostdin", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
                        "testsrc2=s=640x360:r=1000", "-frames:v", str(options.frames),
                        "-c:v", "libx264", "-pix_fmt", "yuv420p", clip], check=True)
        env = NO_DISPLAY
        charplay = subprocess.Popen([options.charplay, clip], stdin=subprocess.DEVNULL,
                                    stdout=subprocess.PIPE, env=env)
        frame_bytes = 90 * 161
        samples = {}
        read = 0
        marks = sorted({100, options.frames // 2, options.frames - 10})
        while marks:
            chunk = charplay.stdout.read(frame_bytes)
            if not chunk:
                break
            read += len(chunk)
            if read // frame_bytes >= marks[0]:
                samples[marks.pop(0)] = rss_kib(charplay.pid)
        charplay.stdout.read()
        status = charplay.wait()

    for frame, kib in samples.items():
        print(f"after frame {frame:5d}: {kib / 1024:7.1f} MiB resident")
    first, last = samples[min(samples)], samples[max(samples)]
    growth = (last - first) / first
    print(f"growth from frame {min(samples)} to frame {max(samples)}: {growth:+.2%} "
          f"(limit {LIMIT:.0%}); charplay exited with {status}")
    return 0 if status == 0 and growth < LIMIT else 1


if __name__ == "__main__":
    sys.exit(main())
