"""charplay in a real terminal (tmux): frames in place, title, clean exit."""
import os
import shlex
import subprocess
import tempfile
import time
import unittest

from charplay import CHARPLAY, TITLE, fixture

WIDTH, HEIGHT = 170, 100


class Terminal(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp()
        self.tmux = ["tmux", "-L", f"charplay-test-{os.getpid()}", "-f", "/dev/null"]
        self.env = {k: v for k, v in os.environ.items()
                    if k not in ("DISPLAY", "WAYLAND_DISPLAY", "TMUX")}
        self.env.update(LANG="C.UTF-8", LC_ALL="C.UTF-8")
        self.addCleanup(subprocess.run, self.tmux + ["kill-server"], stderr=subprocess.DEVNULL)

    def start(self, path):
        """Runs charplay as the pane's program, so it starts at the top-left."""
        self.status = os.path.join(self.folder, "status")
        script = (f"echo {shlex.quote(path)} | {shlex.quote(CHARPLAY)}; "
                  f"echo $? > {shlex.quote(self.status)}; sleep 60")
        subprocess.run(self.tmux + ["-u", "new-session", "-d", "-x", str(WIDTH), "-y", str(HEIGHT),
                                    "sh", "-c", script], env=self.env, check=True)

    def tmux_out(self, *args):
        return subprocess.run(self.tmux + list(args), capture_output=True, text=True,
                              check=True).stdout

    def screen(self):
        rows = self.tmux_out("capture-pane", "-p").split("\n")[:HEIGHT]
        return rows + [""] * (HEIGHT - len(rows))

    def wait_for(self, condition, what, seconds=20):
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            screen = self.screen()
            if condition(screen):
                return screen
            time.sleep(0.01)
        self.fail(f"never saw {what}; last screen:\n" + "\n".join(self.screen()))

    def exit_status(self):
        deadline = time.monotonic() + 30
        while time.monotonic() < deadline:
            if os.path.exists(self.status) and open(self.status).read().strip():
                return int(open(self.status).read())
            time.sleep(0.05)
        self.fail("charplay did not end")

    def test_frames_overwrite_in_place_and_the_screen_ends_empty(self):
        # White, then grey and black by turns, ten a second.
        self.start(fixture("terminal.mkv"))

        def one_grey_frame_at_the_top(screen):
            return (all(row == "x" * 160 for row in screen[:90])
                    and all(row == "" for row in screen[90:]))
        self.wait_for(one_grey_frame_at_the_top, "a grey frame at the top-left, alone")
        self.assertEqual(self.tmux_out("display", "-p", "#{pane_title}").strip(), TITLE)

        self.assertEqual(self.exit_status(), 0)
        self.assertEqual(self.screen(), [""] * HEIGHT)
        self.assertEqual(self.tmux_out("display", "-p", "#{cursor_x},#{cursor_y}").strip(), "0,0")
        history = self.tmux_out("capture-pane", "-p", "-S", "-", "-E", "-1")
        self.assertEqual(history.strip(), "", "the scroll-back still holds frames")


if __name__ == "__main__":
    unittest.main()
