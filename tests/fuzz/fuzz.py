#!/usr/bin/env python3
"""Plays mutated videos and fails on a crash, a sanitizer report or a hang.

Small clips in six containers are mutated with zzuf (a seed and a ratio
give the same file every time) and played by charplay, the path given as
its argument. Every case must end within the bound, by itself, with status
0 (played) or 255 (did not open), and say nothing on standard error. A case
that fails is kept in regressions/, which the test suite plays every run.

  python3 -m tests.fuzz.fuzz CHARPLAY WORKDIR [--cases N] [--first SEED] [--jobs N]
"""
import argparse
import concurrent.futures
import os
import shutil
import subprocess
import sys
import time

from tests.harness import NO_DISPLAY, ffmpeg

REGRESSIONS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "regressions")
BOUND = 20  # seconds; a clip of ten frames takes well under one
CLIPS = {
    "mp4": ("-c:v", "libx264", "-pix_fmt", "yuv420p"),
    "mkv": ("-c:v", "ffv1"),
    "avi": ("-c:v", "mpeg4"),
    "webm": ("-c:v", "libvpx", "-b:v", "200k"),
    "ts": ("-c:v", "mpeg2video"),
    "mov": ("-c:v", "mjpeg", "-pix_fmt", "yuvj420p"),
}
RATIOS = ("0.0005", "0.002", "0.01", "0.05")
ENVIRONMENT = dict(NO_DISPLAY, ASAN_OPTIONS=os.environ.get("ASAN_OPTIONS", "detect_leaks=0"))


def make_clips(folder):
    clips = []
    for container, codec in CLIPS.items():
        path = os.path.join(folder, f"clip.{container}")
        ffmpeg("-f", "lavfi", "-i", "testsrc2=s=160x90:r=1000", "-frames:v", "10", *codec, path)
        clips.append(path)
    return clips


def verdict(charplay, path):
    """None when the case passed, else what went wrong."""
    try:
        result = subprocess.run([charplay, path], stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                                env=ENVIRONMENT, timeout=BOUND)
    except subprocess.TimeoutExpired:
        return f"did not end within {BOUND} s"
    if result.returncode not in (0, 255):
        return f"exit status {result.returncode}: {result.stderr[-2000:].decode(errors='replace')}"
    if result.stderr:
        return "wrote to standard error: " + result.stderr[-2000:].decode(errors="replace")
    return None


def fuzz_case(charplay, workdir, clips, seed):
    """Mutates the clip seed picks and plays it; None, or what went wrong
    and where the case was kept."""
    clip = clips[seed % len(clips)]
    ratio = RATIOS[seed // len(clips) % len(RATIOS)]
    extension = os.path.splitext(clip)[1]
    case = os.path.join(workdir, f"case{seed}{extension}")
    with open(clip, "rb") as source, open(case, "wb") as target:
        subprocess.run(["zzuf", "-s", str(seed), "-r", ratio], stdin=source, stdout=target,
                       check=True)
    try:
        problem = verdict(charplay, case)
        if not problem:
            return None
        kept = os.path.join(REGRESSIONS, f"seed{seed}-r{ratio}{extension}")
        os.makedirs(REGRESSIONS, exist_ok=True)
        shutil.copy(case, kept)
        return f"FAIL seed {seed} ratio {ratio} ({os.path.basename(clip)}): {problem}\n" \
               f"  kept as {kept}"
    finally:
        os.remove(case)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("charplay")
    parser.add_argument("workdir")
    parser.add_argument("--cases", type=int, default=200)
    parser.add_argument("--first", type=int, default=0)
    parser.add_argument("--jobs", type=int, default=1)
    options = parser.parse_args()

    os.makedirs(options.workdir, exist_ok=True)
    clips = make_clips(options.workdir)
    started = time.monotonic()
    failures = 0
    seeds = range(options.first, options.first + options.cases)
    with concurrent.futures.ThreadPoolExecutor(options.jobs) as pool:
        for problem in pool.map(lambda seed: fuzz_case(options.charplay, options.workdir,
                                                       clips, seed), seeds):
            if problem:
                failures += 1
                print(problem, flush=True)
    print(f"fuzz: {len(CLIPS)} containers, seeds {options.first} to "
          f"{options.first + options.cases - 1}, {time.monotonic() - started:.0f} s")
    print(f"{options.cases - failures} passed, {failures} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
