"""The portable Linux archives for ARM (64-bit, or 32-bit ARMv7), run
under qemu-user against the libraries of a bare Debian 11 root of their
architecture, without a display: ARM through and through, nothing newer of
glibc and libstdc++ than Debian 11 has, and frames as the x86_64
distribution build plays them."""
import glob
import os
import subprocess
import sys
import tarfile
import tempfile
import unittest

from tests.harness import FIXTURES, NO_DISPLAY, fixture, frames, play
from tests.e2e.make_fixtures import CODECS
from tests.e2e.network import serve
from tests.linux.test_archive import assert_debian_11_runs, elves
from tests.e2e.test_playback import RAMP

ARCHIVE = os.environ.get("CHARPLAY_ARCHIVE", "")
ROOT = os.environ.get("CHARPLAY_ARM_ROOT", "")
# aarch64 or armhf: the qemu-user that runs it, its ELF machine number and
# what file(1) says of it.
ARM = {"aarch64": ("qemu-aarch64", 183, "64-bit LSB .*ARM aarch64"),
       "armhf": ("qemu-arm", 40, "32-bit LSB .*ARM, EABI5")}[
           os.environ.get("CHARPLAY_ARM", "aarch64")]
# Decoded to the same pixels on every CPU; the others have inexact IDCTs.
# Their frames still differ by a step of the ramp here and there (some 5 %
# of the characters, up to 9 % on ARMv7): FFmpeg's scaler turns YUV into BGR
# with each CPU's own routines, whose rounding differs (OpenCV asks for
# SWS_BICUBIC without accurate rounding). Frames coded in BGR are the same
# bytes.
EXACT = ("av1.mp4", "av1.webm", "av1.mkv", "hevc_10bit.mkv", "h264.mp4", "vp9.webm",
         "vp8.webm", "ffv1.nut")


def setUpModule():
    global FOLDER, PROGRAM
    FOLDER = tempfile.TemporaryDirectory()
    with tarfile.open(ARCHIVE) as archive:
        archive.extractall(FOLDER.name)
    (PROGRAM,) = glob.glob(os.path.join(FOLDER.name, "charplay-*", "charplay"))


def tearDownModule():
    FOLDER.cleanup()


def qemu(stdin):
    return subprocess.run([ARM[0], "-L", ROOT, PROGRAM], input=stdin,
                          capture_output=True, env=NO_DISPLAY, timeout=300)


def differences(arm, x86):
    """Per frame, how many characters differ, and whether each that does is
    the other's neighbour on the ramp."""
    counts, neighbours = [], True
    for a, b in zip(frames(arm), frames(x86)):
        changed = [(p, q) for p, q in zip(a.decode(), b.decode()) if p != q]
        counts.append(len(changed))
        neighbours &= all(abs(RAMP.index(p) - RAMP.index(q)) == 1 for p, q in changed)
    return counts, neighbours


class Arm(unittest.TestCase):
    def test_every_elf_file_is_arm_and_runs_on_debian_11(self):
        for path in elves(PROGRAM):
            with open(path, "rb") as f:
                header = f.read(20)
            described = subprocess.run(["file", "-b", path], capture_output=True, text=True).stdout
            with self.subTest(os.path.basename(path)):
                self.assertEqual(int.from_bytes(header[18:20], "little"), ARM[1])
                self.assertRegex(described, ARM[2])
        assert_debian_11_runs(self, PROGRAM)

    def test_the_codec_clips_play_as_on_x86_64(self):
        for name in CODECS:
            x86 = play(fixture(name), env=NO_DISPLAY).stdout
            arm = qemu(fixture(name).encode() + b"\n")
            with self.subTest(name):
                self.assertEqual((arm.returncode, arm.stderr), (0, b""))
                # The same frames, lines and widths, whatever the characters.
                shape = [[len(line) for line in f.split(b"\n")] for f in frames(x86)]
                self.assertEqual([[len(line) for line in f.split(b"\n")]
                                  for f in frames(arm.stdout)], shape)
                counts, neighbours = differences(arm.stdout, x86)
                print(f"\n{name}: characters that differ per frame: {counts}", file=sys.stderr)
                if name in EXACT:
                    self.assertTrue(neighbours, counts)

    def test_a_clip_coded_in_bgr_plays_byte_for_byte(self):
        arm = qemu(fixture("steps.mkv").encode() + b"\n")
        self.assertEqual((arm.returncode, arm.stderr), (0, b""))
        self.assertEqual(arm.stdout, play(fixture("steps.mkv"), env=NO_DISPLAY).stdout)

    def test_http_plays_as_the_file(self):
        played = qemu(f"{serve(FIXTURES)}/clip.mp4\n".encode())
        self.assertEqual((played.returncode, played.stderr), (0, b""))
        self.assertEqual(played.stdout, qemu(fixture("clip.mp4").encode() + b"\n").stdout)
        self.assertTrue(frames(played.stdout))


if __name__ == "__main__":
    unittest.main()
