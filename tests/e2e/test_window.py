"""The preview window "video" and its keys, on a private X server."""
import os
import subprocess
import tempfile
import unittest

from tests.harness import CHARPLAY, NO_DISPLAY, fixture, frame, frames, play, wait_until
from tests.e2e.tmux_pane import Pane
from tests.e2e.xserver import (Window, assert_a_lost_display_clears_the_terminal,
                               first_shown_frame, settled_frame, shown_frame, start_xvfb,
                               stop_xvfb)

# colours.mkv: 200 frames of 320 x 180 at 25 a second; frame i shows
# red 128, green 255 - i, blue i.
FRAMES = 200
FRAME_BYTES = 90 * 161


def setUpModule():
    global XVFB, DISPLAY
    XVFB, DISPLAY = start_xvfb()


def tearDownModule():
    stop_xvfb(XVFB)


class PreviewWindow(unittest.TestCase):
    def setUp(self):
        self.output = tempfile.NamedTemporaryFile()
        self.addCleanup(self.output.close)
        self.charplay = subprocess.Popen(
            [CHARPLAY], stdin=subprocess.PIPE, stdout=self.output, stderr=subprocess.DEVNULL,
            env=dict(os.environ, DISPLAY=DISPLAY))
        self.addCleanup(self.charplay.wait)
        self.addCleanup(self.charplay.kill)
        self.charplay.stdin.write(fixture("colours.mkv").encode() + b"\n")
        self.charplay.stdin.close()
        self.window = Window(DISPLAY)

    def frames_written(self):
        return os.path.getsize(self.output.name) // FRAME_BYTES

    def test_shows_the_colour_frames_at_full_size(self):
        first = first_shown_frame(self.window)
        self.assertIsNotNone(first, f"the window shows no fixture frame: {self.window.colours()}")
        later = wait_until(lambda: (shown_frame(self.window) or 0) > first and shown_frame(self.window))
        self.assertIsNotNone(later, "the window does not follow the video")

    def test_one_freezes_the_window_and_zero_resumes_it(self):
        self.assertTrue(wait_until(lambda: (shown_frame(self.window) or 0) >= 5))
        self.window.key("1")
        # Frozen: the same frame twice, a good while apart, while the
        # console goes on.
        frozen = settled_frame(self.window)
        self.assertIsNotNone(frozen, "1 does not freeze the window")
        written = self.frames_written()
        self.assertTrue(wait_until(lambda: self.frames_written() >= max(written, frozen) + 5))
        self.assertEqual(shown_frame(self.window), frozen)

        self.window.key("0")
        resumed = wait_until(lambda: (shown_frame(self.window) or 0) > frozen + 5
                             and shown_frame(self.window))
        self.assertIsNotNone(resumed, "the window stays frozen after 0")
        self.assertLessEqual(resumed, self.frames_written())

    def test_escape_ends_playback_early(self):
        self.assertIsNotNone(first_shown_frame(self.window))
        self.window.key("Escape")
        self.assertEqual(self.charplay.wait(timeout=20), 0)
        with open(self.output.name, "rb") as f:
            written = frames(f.read())
        self.assertLess(len(written), FRAMES)
        self.assertGreater(len(written), 0)


class FirstShow(unittest.TestCase):
    def test_the_window_appears_only_after_the_first_frames_wait(self):
        # slow.mkv: 320 x 180, a frame every half second.
        charplay = subprocess.Popen([CHARPLAY], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                    stderr=subprocess.DEVNULL, env=dict(os.environ, DISPLAY=DISPLAY))
        self.addCleanup(charplay.wait)
        self.addCleanup(charplay.kill)
        charplay.stdin.write(fixture("slow.mkv").encode() + b"\n")
        charplay.stdin.close()
        self.assertEqual(len(charplay.stdout.read(FRAME_BYTES)), FRAME_BYTES)
        searched = subprocess.run(["xdotool", "search", "--name", "^video$"], capture_output=True,
                                  text=True, env=dict(os.environ, DISPLAY=DISPLAY), timeout=10)
        self.assertEqual(searched.stdout.split(), [], "a window during the first frame's wait")
        Window(DISPLAY)


class EscapeInATerminal(unittest.TestCase):
    def test_escape_while_frozen_clears_the_terminal(self):
        pane = Pane(170, 100, dict(os.environ, DISPLAY=DISPLAY))
        self.addCleanup(pane.close)
        pane.start(fixture("colours.mkv"))
        window = Window(DISPLAY)
        self.assertIsNotNone(first_shown_frame(window))
        # Keys typed into the terminal do not reach charplay.
        pane.tmux_out("send-keys", "-t", "0", "Escape")
        window.key("1")
        frozen = settled_frame(window)
        self.assertIsNotNone(frozen, "1 does not freeze the window")
        # The terminal plays on (its lines change with the frames' grey)
        # while the window stays frozen.
        line = pane.screen()[0]
        self.assertIsNotNone(pane.wait_for_screen(lambda s: s[0] not in ("", line)))
        self.assertIsNone(pane.exit_status(seconds=0))
        self.assertEqual(shown_frame(window), frozen)
        window.key("Escape")
        self.assertEqual(pane.exit_status(), 0)
        self.assertEqual(pane.screen(), [""] * 100)


class Pacing(unittest.TestCase):
    def test_every_frame_waits_its_time_with_a_window_too(self):
        # The first frame's wait comes before there is a window, when the
        # library's wait would return at once.
        result = play(fixture("pace25.mkv"), env=dict(os.environ, DISPLAY=DISPLAY))
        self.assertEqual(result.returncode, 0)
        self.assertEqual(len(frames(result.stdout)), 10)
        self.assertGreaterEqual(result.seconds, 10 * 0.040)


class NoDisplay(unittest.TestCase):
    def test_plays_in_the_console_alone(self):
        # The last: an X server answers, but the toolkit is told to draw on
        # Wayland, where no compositor listens.
        runtime = tempfile.mkdtemp()
        self.addCleanup(os.rmdir, runtime)
        wayland = dict(DISPLAY=DISPLAY, QT_QPA_PLATFORM="wayland", GDK_BACKEND="wayland",
                       XDG_RUNTIME_DIR=runtime)
        for extra in ({}, dict(DISPLAY=":999"), dict(DISPLAY="nosuchhost.invalid:0"), wayland):
            with self.subTest(**extra):
                result = play(fixture("pace25.mkv"), env=dict(NO_DISPLAY, **extra))
                self.assertEqual((result.returncode, result.stderr), (0, b""))
                self.assertEqual(result.stdout, frame("x" * 64) * 10)
                self.assertGreaterEqual(result.seconds, 10 * 0.040)


class DisplayGone(unittest.TestCase):
    def test_the_terminal_is_cleared_and_one_line_says_why(self):
        assert_a_lost_display_clears_the_terminal(self, CHARPLAY)


if __name__ == "__main__":
    unittest.main()
