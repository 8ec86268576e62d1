"""charplay as a process, its output redirected: frames, sources, failure."""
import os
import shutil
import subprocess
import tempfile
import unittest

from tests.harness import OPEN_FAILURE, fixture, frame, frames, play, run

RAMP = " .,-'`:!1+*abcdefghijklmnopqrstuvwxyz<>()/{}[]?234567890ABCDEFGHIJKLMN"


class FrameText(unittest.TestCase):
    def test_grey_levels_pick_their_ramp_characters(self):
        result = play(fixture("greys.mkv"))
        self.assertEqual(result.returncode, 0)
        self.assertEqual(frames(result.stdout),
                         [frame(c * 160) for c in "  .xMN"])

    def test_every_selectable_character_in_order(self):
        line = "".join(c * 2 for c in RAMP) + " " * 20
        self.assertEqual(play(fixture("steps.mkv")).stdout, frame(line))

    def test_sizes_by_format(self):
        for size, columns in (("1920x1080", 160), ("640x480", 128), ("854x480", 171),
                              ("800x600", 133)):
            with self.subTest(size):
                out = play(fixture(f"size_{size}.mkv")).stdout
                self.assertEqual(out, frame("N" * columns) * 2)
        self.assertEqual(len(play(fixture("size_1920x1080.mkv")).stdout), 2 * 14490)

    def test_a_short_source_fills_ninety_lines(self):
        out = play(fixture("size_160x40.mkv")).stdout
        self.assertEqual(out, (frame("N" * 160, 40) + frame(" " * 160, 50)) * 2)


class SourceSelection(unittest.TestCase):
    def test_the_typed_token_wins_over_arguments(self):
        result = run(stdin=fixture("greys.mkv").encode() + b"\n",
                     args=[fixture("size_640x480.mkv")])
        self.assertEqual(len(frames(result.stdout)), 6)

    def test_arguments_are_joined_by_one_space(self):
        first, second = fixture("two words.mkv").split(" ")
        result = run(stdin=b"no-such-file\n", args=[first, second])
        self.assertEqual(result.returncode, 0)
        self.assertEqual(result.stdout, frame(" " * 64) * 2)

    def test_a_typed_path_ends_at_its_first_space(self):
        # "two" does not open; the rest of the line is never read, so the
        # argument decides.
        cwd = os.path.dirname(fixture("two words.mkv"))
        result = run(stdin=b"two words.mkv\n", args=["greys.mkv"], cwd=cwd)
        self.assertEqual(len(frames(result.stdout)), 6)

    def test_end_of_input_leaves_it_to_the_arguments(self):
        result = run(stdin=b"", args=[fixture("greys.mkv")])
        self.assertEqual(result.returncode, 0)
        self.assertEqual(len(frames(result.stdout)), 6)

    def test_leading_blank_space_is_skipped(self):
        result = run(stdin=b"  \n\t" + fixture("greys.mkv").encode() + b" extra")
        self.assertEqual(len(frames(result.stdout)), 6)


class OpenFailure(unittest.TestCase):
    def assert_fails(self, result, message):
        self.assertEqual(result.returncode, 255)
        self.assertEqual(result.stdout, message)
        self.assertEqual(result.stderr, b"", "the library must stay quiet")

    def test_nothing_opens_in_a_utf8_locale(self):
        env = dict(os.environ, LANG="C.UTF-8", LC_ALL="C.UTF-8")
        self.assert_fails(run(stdin=b"/no/such/video.mp4\n", env=env),
                          OPEN_FAILURE.encode("utf-8") + b"\n")

    def test_nothing_opens_in_a_gbk_or_gb2312_locale(self):
        # Debian's plain zh_CN is GB2312, a part of GBK with the same bytes.
        locales = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, locales)
        for charset in ("GBK", "GB2312"):
            with self.subTest(charset):
                subprocess.run(["localedef", "-i", "zh_CN", "-f", charset,
                                os.path.join(locales, "zh_CN." + charset)], check=True)
                env = dict(os.environ, LOCPATH=locales, LC_ALL="zh_CN." + charset)
                result = run(stdin=b"", args=["/no/such/video.mp4"], env=env)
                self.assert_fails(result,
                                  bytes.fromhex("CAE4C8EBB5D8D6B7B4EDCEF3A3A1A3A1") + b"\n")


if __name__ == "__main__":
    unittest.main()
