#!/usr/bin/env python3
"""Start-up cost: the CPU time (user + system) of a whole run on a one-frame
1080p clip without a display, for the portable Linux archive's program and
the distribution build, runs alternating, medians printed. The frames of
both must be the same bytes. Exits 1 when the archive's median is over
RATIO (half, by default) of the distribution build's, measured in the same
run: a ratio holds on a slow machine where a time in seconds would not.

    python3 -m bench.startup ARCHIVE_PROGRAM DISTRIBUTION_PROGRAM [--runs N] [--ratio R]
"""
import argparse
import os
import resource
import statistics
import subprocess
import sys
import tempfile

from tests.harness import NO_DISPLAY


def cpu_of(program, clip, env):
    """The output of one run and the CPU seconds it took."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    done = subprocess.run([program, clip], stdin=subprocess.DEVNULL, capture_output=True,
                          env=env, check=True)
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    return done.stdout, (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)


def main():
    parser = argparse.ArgumentParser(description="start-up CPU of two builds of charplay")
    parser.add_argument("programs", nargs=2, metavar="ARCHIVE_PROGRAM DISTRIBUTION_PROGRAM")
    parser.add_argument("--runs", type=int, default=21)
    parser.add_argument("--ratio", type=float, default=0.5)
    args = parser.parse_args()
    env = NO_DISPLAY
    with tempfile.TemporaryDirectory() as work:
        clip = os.path.join(work, "1080p.mp4")
        subprocess.run(["ffmpeg", "-nostdin", "-loglevel", "error", "-f", "lavfi", "-i",
                        "testsrc2=s=1920x1080:r=25", "-frames:v", "1", "-c:v", "libx264",
                        "-pix_fmt", "yuv420p", clip], check=True)
        programs = dict(zip(("archive", "distribution"), args.programs))
        outputs = {name: cpu_of(program, clip, env)[0] for name, program in programs.items()}
        if outputs["archive"] != outputs["distribution"] or not outputs["archive"]:
            sys.exit("the two builds write different frames")
        times = {name: [] for name in programs}
        for _ in range(args.runs):
            for name, program in programs.items():
                times[name].append(cpu_of(program, clip, env)[1])
    for name, seconds in times.items():
        print(f"{name:13} {statistics.median(seconds):.3f} s CPU "
              f"(median of {args.runs}; {min(seconds):.3f} to {max(seconds):.3f})")
    ratio = statistics.median(times["archive"]) / statistics.median(times["distribution"])
    met = ratio <= args.ratio
    print(f"ratio         {ratio:.2f} of the distribution build's (at most {args.ratio:.2f}):"
          f" {'met' if met else 'MISSED'}")
    return 0 if met else 1


if __name__ == "__main__":
    sys.exit(main())
