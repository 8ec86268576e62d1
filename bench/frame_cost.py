#!/usr/bin/env python3
"""What charplay costs per frame beside FFmpeg's own decode-and-convert:
`ffmpeg -i CLIP -pix_fmt bgr24 -f null -` and each named build of charplay
play the same generated clips (300 frames of H.264, testsrc2 with light
noise, 1080p at 6 Mbit/s and 720p at 3 Mbit/s, 25 frames a second) in
alternating runs. Prints, per clip, the median CPU time (user + system of
the whole process, start-up included) per frame, its ratio to ffmpeg's,
and the largest peak resident memory of any run. The timed runs write to
/dev/null; every build must write the same frames in a run of its own
before. Exits 1 when a build with a target misses it:

    archive       1.10 x ffmpeg at 1080p, 1.10 x at 720p
    distribution  1.35 x ffmpeg at 1080p, 1.45 x at 720p

    python3 -m bench.frame_cost NAME=PROGRAM... [--runs N] [--clips 1080p,720p]

for instance
    python3 -m bench.frame_cost archive=build-linux/charplay-VERSION-linux-x86_64/charplay \\
                                distribution=build/charplay

charplay paces by the clip's frame rate, so a run takes 12 s of wall time;
CPU time is what is compared, and a paced wait costs none. Peak memory
counts the pages of the libraries mapped: libraries written moments ago
can map in larger pieces (sync; echo 3 > /proc/sys/vm/drop_caches first,
as root, for figures that compare).
"""
import argparse
import os
import statistics
import subprocess
import sys
import tempfile

from tests.harness import NO_DISPLAY

CLIPS = {"1080p": ("1920x1080", "6M"), "720p": ("1280x720", "3M")}
FRAMES = 300
TARGETS = {"archive": {"1080p": 1.10, "720p": 1.10},
           "distribution": {"1080p": 1.35, "720p": 1.45}}


def make_clip(path, size, rate):
    subprocess.run(["ffmpeg", "-nostdin", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
                    f"testsrc2=s={size}:r=25,noise=alls=8:allf=t", "-frames:v", str(FRAMES),
                    "-c:v", "libx264", "-b:v", rate, "-pix_fmt", "yuv420p", path], check=True)


def run(command, env, out):
    """Runs command with its standard output to the file out; returns its
    CPU seconds and its peak memory in MiB, from its own resource usage."""
    process = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=out,
                               stderr=subprocess.DEVNULL, env=env)
    _, status, usage = os.wait4(process.pid, 0)
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit(f"{command[0]} exited with {os.waitstatus_to_exitcode(status)}")
    return usage.ru_utime + usage.ru_stime, usage.ru_maxrss / 1024


def frames_of(command, env):
    """What one run of command writes."""
    with tempfile.TemporaryFile() as out:
        run(command, env, out)
        out.seek(0)
        return out.read()


def main():
    parser = argparse.ArgumentParser(description="charplay's CPU per frame beside ffmpeg's")
    parser.add_argument("builds", nargs="+", metavar="NAME=PROGRAM")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--clips", default=",".join(CLIPS))
    args = parser.parse_args()
    builds = dict(build.split("=", 1) for build in args.builds)
    # No window: the preview would cost what ffmpeg does not do.
    env = NO_DISPLAY
    missed = []
    print(f"CPU ms per frame, median of {args.runs} alternating runs "
          f"({os.cpu_count()} cores); ratio to ffmpeg; peak MiB")
    with tempfile.TemporaryDirectory() as work:
        for clip_name in args.clips.split(","):
            size, rate = CLIPS[clip_name]
            clip = os.path.join(work, f"{clip_name}.mp4")
            make_clip(clip, size, rate)
            commands = {"ffmpeg": ["ffmpeg", "-nostdin", "-loglevel", "error", "-i", clip,
                                   "-pix_fmt", "bgr24", "-f", "null", "-"]}
            commands.update({name: [program, clip] for name, program in builds.items()})
            frames = {frames_of(command, env) for name, command in commands.items()
                      if name != "ffmpeg"}
            if len(frames) != 1 or not frames.pop():
                sys.exit(f"the builds write different frames, or none, from the {clip_name} clip")
            # The timed runs write to /dev/null, as ffmpeg's null muxer
            # writes nothing: where the frames go is not charplay's cost.
            cpu = {name: [] for name in commands}
            peak = dict.fromkeys(commands, 0.0)
            with open(os.devnull, "wb") as null:
                for _ in range(args.runs):
                    for name, command in commands.items():
                        seconds, mib = run(command, env, null)
                        cpu[name].append(seconds)
                        peak[name] = max(peak[name], mib)
            base = statistics.median(cpu["ffmpeg"])
            print(clip_name)
            for name, seconds in cpu.items():
                ratio = statistics.median(seconds) / base
                target = TARGETS.get(name, {}).get(clip_name)
                verdict = ""
                if target:
                    verdict = f" (at most {target:.2f}: {'met' if ratio <= target else 'MISSED'})"
                    if ratio > target:
                        missed.append(f"{name} at {clip_name}")
                print(f"  {name:13} {statistics.median(seconds) * 1000 / FRAMES:6.2f} ms "
                      f"{ratio:5.2f}x{verdict}  {peak[name]:4.0f} MiB")
    if missed:
        print("missed:", ", ".join(missed))
    return 1 if missed else 0


if __name__ == "__main__":
    sys.exit(main())
