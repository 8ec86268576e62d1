"""charplay in a real terminal (tmux): frames in place, title, clean exit;
and the bytes a terminal gets, on a pseudo-terminal."""
import fcntl
import os
import pty
import struct
import subprocess
import termios
import tty
import unittest

from tests.harness import CHARPLAY, NO_DISPLAY, TITLE, fixture, frames, play
from tests.e2e.tmux_pane import Pane

# DEC private mode 2026: a synchronized update begins, ends.
BEGIN_UPDATE, END_UPDATE = b"\x1b[?2026h", b"\x1b[?2026l"
# Cursor home; erase the screen and the scroll-back.
HOME, ERASE = b"\x1b[H", b"\x1b[2J\x1b[3J"


class Terminal(unittest.TestCase):
    def test_frames_overwrite_in_place_and_the_screen_ends_empty(self):
        pane = Pane(170, 100, NO_DISPLAY)
        self.addCleanup(pane.close)
        # White, then grey and black by turns, ten a second.
        pane.start(fixture("terminal.mkv"))

        def one_grey_frame_at_the_top(screen):
            return (all(row == "x" * 160 for row in screen[:90])
                    and all(row == "" for row in screen[90:]))
        self.assertIsNotNone(pane.wait_for_screen(one_grey_frame_at_the_top),
                             "never saw a grey frame alone at the top-left:\n"
                             + "\n".join(pane.screen()))
        self.assertEqual(pane.tmux_out("display", "-p", "#{pane_title}").strip(), TITLE)

        self.assertEqual(pane.exit_status(), 0)
        self.assertEqual(pane.screen(), [""] * 100)
        self.assertEqual(pane.tmux_out("display", "-p", "#{cursor_x},#{cursor_y}").strip(), "0,0")
        self.assertEqual(pane.scrollback().strip(), "", "the scroll-back still holds frames")


class Bytes(unittest.TestCase):
    def test_each_frame_is_one_synchronized_update(self):
        # Raw, so that the line feeds come through as they were written.
        master, terminal = pty.openpty()
        fcntl.ioctl(terminal, termios.TIOCSWINSZ, struct.pack("HHHH", 100, 200, 0, 0))
        tty.setraw(terminal)
        charplay = subprocess.Popen([CHARPLAY], stdin=subprocess.PIPE, stdout=terminal,
                                    env=dict(NO_DISPLAY, LC_ALL="C.UTF-8"))
        self.addCleanup(charplay.kill)
        os.close(terminal)
        charplay.stdin.write(fixture("greys.mkv").encode() + b"\n")
        charplay.stdin.close()
        shown = b""
        with os.fdopen(master, "rb", buffering=0) as reader:
            try:
                while chunk := reader.read(65536):
                    shown += chunk
            except OSError:  # charplay's side is closed: all is read
                pass
        self.assertEqual(charplay.wait(timeout=30), 0)
        bare = frames(play(fixture("greys.mkv"), env=NO_DISPLAY).stdout)
        self.assertEqual(len(bare), 6)
        title = b"\x1b]0;" + TITLE.encode() + b"\x07"
        updates = b"".join(BEGIN_UPDATE + frame + END_UPDATE + HOME for frame in bare)
        self.assertEqual(shown, title + updates + HOME + ERASE)


if __name__ == "__main__":
    unittest.main()
