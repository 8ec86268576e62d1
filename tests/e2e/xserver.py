"""A private X server (Xvfb) and the window charplay shows on it."""
import os
import re
import subprocess
import tempfile
import time

from tests.e2e.tmux_pane import Pane
from tests.harness import DISPLAY_LOST, fixture, wait_until


def start_xvfb():
    """Starts Xvfb on a free display; returns (process, display)."""
    read, write = os.pipe()
    process = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "1600x1200x24",
                                "-nolisten", "tcp"], pass_fds=(write,),
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write)
    with os.fdopen(read) as f:
        number = f.readline().strip()
    if not number:
        process.kill()
        raise RuntimeError("Xvfb did not start")
    return process, ":" + number


def stop_xvfb(process):
    process.terminate()
    process.wait(timeout=10)


class Window:
    """A window on display (by default the one named "video"), once it is there."""

    def __init__(self, display, seconds=30, name="^video$"):
        self.env = dict(os.environ, DISPLAY=display)

        def found():
            # One search that waits for the window; it fails outright when a
            # window goes away while it looks (Wine's come and go), and then
            # looks again.
            searched = subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--name",
                                       name], env=self.env, capture_output=True, text=True,
                                      timeout=seconds)
            return searched.stdout.split()
        ids = wait_until(found, seconds, every=0.1)
        if not ids:
            raise RuntimeError(f"no window named {name} within {seconds} s")
        self.id = ids[0]

    def xdotool(self, *args, timeout=10):
        return subprocess.run(["xdotool", *args], env=self.env, capture_output=True, text=True,
                              check=True, timeout=timeout).stdout

    def key(self, name):
        # Through XTEST to the focused window, as a keyboard would: some
        # programs (Wine's console) ignore keys sent to a window directly.
        self.xdotool("windowfocus", "--sync", self.id)
        self.xdotool("key", name)

    def type_line(self, text):
        self.xdotool("windowfocus", "--sync", self.id)
        self.xdotool("type", "--window", self.id, text)
        self.xdotool("key", "--window", self.id, "Return")

    def size(self):
        """(width, height) in pixels."""
        shown = self.xdotool("getwindowgeometry", "--shell", self.id)
        values = dict(line.split("=") for line in shown.split())
        return int(values["WIDTH"]), int(values["HEIGHT"])

    def move(self, x, y):
        self.xdotool("windowmove", "--sync", self.id, str(x), str(y))

    def click(self):
        """A click inside, which makes Wine's windows take the keyboard."""
        self.xdotool("mousemove", "--window", self.id, "20", "20", "click", "1")

    def colours(self, crop=None):
        """How many pixels of each colour the window shows (or the part of it
        that crop, an ImageMagick geometry, names): {(r, g, b): count}; empty
        while the window cannot be read (not mapped yet, or gone)."""
        with tempfile.NamedTemporaryFile(suffix=".png") as shot:
            taken = subprocess.run(["import", "-window", self.id,
                                    *(["-crop", crop] if crop else []), shot.name],
                                   env=self.env, capture_output=True, timeout=10)
            if taken.returncode != 0:
                return {}
            histogram = subprocess.run(["convert", shot.name, "-format", "%c", "histogram:info:-"],
                                       capture_output=True, text=True, check=True).stdout
        counts = {}
        for line in histogram.splitlines():
            found = re.match(r"\s*(\d+):\s*\(\s*(\d+),\s*(\d+),\s*(\d+)", line)
            if found:
                count, r, g, b = map(int, found.groups())
                counts[(r, g, b)] = counts.get((r, g, b), 0) + count
        return counts


def shown_frame(window):
    """The number of the frame of colours.mkv that fills the window, or None.
    (Frame i of that clip shows red 128, green 255 - i, blue i, 320 x 180.)"""
    for (r, g, b), count in window.colours().items():
        if r == 128 and g + b == 255 and count >= 320 * 180:
            return b
    return None


def first_shown_frame(window, seconds=20):
    """The first frame of colours.mkv the window shows within seconds, frame
    0 included, or None."""
    def shown():
        number = shown_frame(window)
        return [number] if number is not None else None
    found = wait_until(shown, seconds)
    return found[0] if found else None


def settled_frame(window, apart=0.3, seconds=20):
    """The frame of colours.mkv that the window still shows apart seconds
    later (7 frames of the video), once a key has frozen it; None if it never
    settles."""
    def settled():
        first = shown_frame(window)
        time.sleep(apart)
        return [first] if first is not None and shown_frame(window) == first else None
    found = wait_until(settled, seconds)
    return found[0] if found else None


def assert_a_lost_display_clears_the_terminal(test, program):
    """Plays colours.mkv with program in tmux, its window on an X server of
    its own, and kills that server: charplay ends by itself with status 1,
    the terminal cleared but for the line that says why."""
    xvfb, display = start_xvfb()
    test.addCleanup(xvfb.wait)
    test.addCleanup(xvfb.kill)
    pane = Pane(170, 100, dict(os.environ, DISPLAY=display))
    test.addCleanup(pane.close)
    pane.start(fixture("colours.mkv"), program=program)
    test.assertIsNotNone(first_shown_frame(Window(display)))
    xvfb.kill()
    test.assertEqual(pane.exit_status(), 1)
    test.assertEqual(pane.screen(), [DISPLAY_LOST] + [""] * 99)
