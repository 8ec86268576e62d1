#!/usr/bin/env python3
"""Plays mutated videos and fails on a crash, a sanitizer report or a hang.

Small clips in four containers are mutated with zzuf (a seed and a ratio
give the same file every time) and played by charplay, the path given as
its argument. Every case must end within the bound, by itself, with status
0 (played) or 255 (did not open), and say nothing on standard error. A case
that fails is kept in regressions/, which the test suite plays every run.

  fuzz.py CHARPLAY WORKDIR [--cases N] [--first SEED]
"""
import argparse
import os
import shutil
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
REGRESSIONS = os.path.join(HERE, "regressions")
BOUND = 60  # seconds; a clip of ten frames takes well under one
CLIPS = {
    "mp4": ("-c:v", "libx264", "-pix_fmt", "yuv420p"),
    "mkv": ("-c:v", "ffv1"),
    "avi": ("-c:v", "mpeg4"),
    "webm": ("-c:v", "libvpx", "-b:v", "200k"),
}
RATIOS = ("0.0005", "0.002", "0.01", "0.05")


def make_clips(folder):
    clips = []
    for container, codec in CLIPS.items():
        path = os.path.join(folder, f"clip.{container}")
        subprocess.run(["ffmpeg", "-nostdin", "-loglevel", "error", "-y", "-f", "lavfi",
                        "-i", "testsrc2=s=160x90:r=1000", "-frames:v", "10", *codec, path],
                       check=True)
        clips.append(path)
    return clips


def environment():
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
    env.setdefault("ASAN_OPTIONS", "detect_leaks=0")
    return env


def verdict(charplay, path):
    """None when the case passed, else what went wrong."""
    try:
        result = subprocess.run([charplay, path], stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                                env=environment(), timeout=BOUND)
    except subprocess.TimeoutExpired:
        return f"did not end within {BOUND} s"
    if result.returncode not in (0, 255):
        return f"exit status {result.returncode}: {result.stderr[-2000:].decode(errors='replace')}"
    if result.stderr:
        return "wrote to standard error: " + result.stderr[-2000:].decode(errors="replace")
    return None


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("charplay")
    parser.add_argument("workdir")
    parser.add_argument("--cases", type=int, default=200)
    parser.add_argument("--first", type=int, default=0)
    options = parser.parse_args()

    os.makedirs(options.workdir, exist_ok=True)
    clips = make_clips(options.workdir)
    failures = 0
    for n in range(options.cases):
        seed = options.first + n
        clip = clips[seed % len(clips)]
        ratio = RATIOS[seed // len(clips) % len(RATIOS)]
        case = os.path.join(options.workdir, f"case{os.path.splitext(clip)[1]}")
        with open(clip, "rb") as source, open(case, "wb") as target:
            subprocess.run(["zzuf", "-s", str(seed), "-r", ratio], stdin=source, stdout=target,
                           check=True)
        problem = verdict(options.charplay, case)
        if problem:
            failures += 1
            kept = os.path.join(REGRESSIONS, f"seed{seed}-r{ratio}{os.path.splitext(clip)[1]}")
            os.makedirs(REGRESSIONS, exist_ok=True)
            shutil.copy(case, kept)
            print(f"FAIL seed {seed} ratio {ratio} ({os.path.basename(clip)}): {problem}\n"
                  f"  kept as {kept}", flush=True)
    print(f"fuzz: {options.cases - failures} passed, {failures} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
