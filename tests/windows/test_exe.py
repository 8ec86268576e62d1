"""charplay.exe, the Windows build, under Wine: redirected output byte for
byte against the Linux build, the failure path, and in a console window on
a private X server the window "video", its keys and the hint."""
import os
import shutil
import subprocess
import tempfile
import time
import unittest
import zipfile

from tests.e2e.make_fixtures import CODECS
from tests.e2e.network import Streams, asked_for, mixed_playlist, serve, stalled
from tests.e2e.xserver import Window, settled_frame, shown_frame, start_xvfb, stop_xvfb
from tests.harness import (AT_ONCE, CHARPLAY, FIXTURES, NO_DISPLAY, OPEN_FAILURE, SOURCE, TITLE,
                           fixture, frames, play, run, small_terminal_hint, wait_for_status,
                           wait_until)

EXE = os.environ.get("CHARPLAY_EXE", "")
ZIP = os.environ.get("CHARPLAY_ZIP", "")
VERSION = os.environ.get("CHARPLAY_VERSION", "")


def setUpModule():
    global PREFIX, XVFB, DISPLAY, WINE
    PREFIX = tempfile.mkdtemp()
    WINE = dict(NO_DISPLAY, WINEPREFIX=PREFIX, WINEDEBUG="-all", LC_ALL="C.UTF-8",
                WINEDLLOVERRIDES="mscoree,mshtml=")
    subprocess.run(["wineboot", "--init"], env=WINE, capture_output=True, timeout=300)
    # A crash would otherwise wait for ever on a dialog.
    subprocess.run(["wine", "reg", "add", r"HKCU\Software\Wine\WineDbg", "/v",
                    "ShowCrashDialog", "/t", "REG_DWORD", "/d", "0", "/f"],
                   env=WINE, capture_output=True, timeout=120)
    XVFB, DISPLAY = start_xvfb()


def tearDownModule():
    subprocess.run(["wineserver", "-k"], env=WINE)
    stop_xvfb(XVFB)
    shutil.rmtree(PREFIX, ignore_errors=True)


def wine(stdin, display=None, timeout=120, stdout=subprocess.PIPE, **extra):
    """Runs the exe under Wine; extra adds to its environment."""
    env = dict(WINE, DISPLAY=display, **extra) if display else dict(WINE, **extra)
    return run(stdin, command=["wine", EXE], env=env, timeout=timeout, stdout=stdout)


# What the exe must play byte for byte as the Linux build does: the ramp,
# sizes, a stream that changes size, and the clip of each codec.
CLIPS = ("greys.mkv", "steps.mkv", "size_854x480.mkv", "resized.ts", "geometry_1x1.mkv",
         *CODECS)


class Redirected(unittest.TestCase):
    def test_frames_are_the_linux_builds_byte_for_byte(self):
        for name in CLIPS:
            with self.subTest(name):
                linux = play(fixture(name), env=NO_DISPLAY)
                # Two empty outputs would agree: the Linux build plays each
                # clip, 90 lines a frame.
                self.assertEqual(linux.returncode, 0)
                self.assertTrue(frames(linux.stdout))
                windows = wine(fixture(name).encode() + b"\n")
                self.assertEqual((windows.returncode, windows.stderr), (0, b""))
                self.assertEqual(windows.stdout, linux.stdout)

    def test_theora_gives_the_same_frames_every_run(self):
        for name, count, runs in (("theora.ogv", 10, 3), ("theora444.ogv", 12, 10)):
            with self.subTest(name):
                outputs = {wine(fixture(name).encode() + b"\n").stdout for _ in range(runs)}
                self.assertEqual(len(outputs), 1)
                self.assertEqual(len(frames(outputs.pop())), count)

    def test_the_same_with_a_window_on_an_x_display(self):
        for name in ("greys.mkv", "clip.mp4"):
            with self.subTest(name):
                linux = play(fixture(name), env=NO_DISPLAY)
                windows = wine(fixture(name).encode() + b"\n", display=DISPLAY)
                self.assertEqual(windows.returncode, 0)
                self.assertTrue(frames(linux.stdout))
                self.assertEqual(windows.stdout, linux.stdout)

    def test_paths_that_do_not_open(self):
        with tempfile.TemporaryDirectory() as folder:
            noise = os.path.join(folder, "noise.mp4")
            with open(noise, "wb") as f:
                f.write(os.urandom(1 << 16))
            for what, path in (("directory", folder), ("random bytes", noise),
                               ("MP4 cut before its index", fixture("half.mp4") + ".missing"),
                               ("nothing typed", "")):
                with self.subTest(what):
                    result = wine(path.encode() + b"\n")
                    self.assertEqual((result.returncode, result.stdout, result.stderr),
                                     (255, OPEN_FAILURE.encode() + b"\r\n", b""))

    def test_a_failed_write_says_why_in_the_systems_words(self):
        with open("/dev/full", "wb") as full:
            result = wine(fixture("slow.mkv").encode() + b"\n", stdout=full)
        self.assertEqual((result.returncode, result.stderr),
                         (1, b"charplay: cannot write the frames: Disk full\r\n"))


class Network(Streams, unittest.TestCase):
    end_of_line = b"\r\n"

    def play(self, address, **env):
        return wine(address.encode() + b"\n", **env)


class Zip(unittest.TestCase):
    def test_unpacked_it_plays_its_sample_as_typed(self):
        with tempfile.TemporaryDirectory() as folder:
            with zipfile.ZipFile(ZIP) as z:
                z.extractall(folder)
            unpacked = os.path.join(folder, f"charplay-{VERSION}-windows-x64")
            # The Linux build plays the same sample meanwhile: ten seconds each.
            sample = os.path.join(SOURCE, "samples", "mandelbrot.mp4")
            with tempfile.TemporaryFile() as linux_out:
                linux = subprocess.Popen([CHARPLAY, sample], stdin=subprocess.DEVNULL,
                                         stdout=linux_out, env=NO_DISPLAY)
                result = subprocess.run(["wine", "charplay.exe"], input=b"mandelbrot.mp4\r\n",
                                        capture_output=True, env=WINE, cwd=unpacked, timeout=120)
                self.assertEqual(linux.wait(timeout=120), 0)
                linux_out.seek(0)
                self.assertEqual((result.returncode, result.stderr), (0, b""))
                self.assertEqual(result.stdout, linux_out.read())

    def test_it_carries_the_licences_and_names_the_sources(self):
        with zipfile.ZipFile(ZIP) as z:
            licences = {os.path.basename(n) for n in z.namelist() if "/licenses/" in n}
            readme = z.read(f"charplay-{VERSION}-windows-x64/README.txt").decode()
        self.assertLessEqual({"charplay-LICENSE.txt", "FFmpeg-COPYING.LGPLv3.txt", "GPL-3.txt",
                              "dav1d-COPYING.txt", "OpenCV-LICENSE.txt",
                              "opencv-debian-copyright.txt"}, licences)
        self.assertIn(f"charplay-{VERSION}-sources.tar.xz", readme)
        self.assertIn(f"\\charplay-{VERSION}-windows-x64\r\n", readme)


class ConsoleWindow(unittest.TestCase):
    """Typed into wineconsole, as a user would."""

    def start(self, clip, batch=None):
        """Starts charplay.exe in a console window (or the batch file, when
        given) and types the path of clip into it, if there is one."""
        env = dict(WINE, DISPLAY=DISPLAY)
        self.charplay = subprocess.Popen(["wineconsole", *(["cmd", "/c", batch] if batch else [EXE])],
                                         env=env, stdout=subprocess.DEVNULL,
                                         stderr=subprocess.DEVNULL)
        self.addCleanup(self.charplay.wait, 30)
        # Whatever is left of this run (Wine's processes outlive the console).
        self.addCleanup(subprocess.run, ["wineserver", "-k"], env=env)
        self.console = Window(DISPLAY, name=f"^{TITLE}$", seconds=60)
        if clip is None:
            return
        self.console.type_line(clip)
        # The window "video" opens over the console: out of its way.
        self.video = Window(DISPLAY, seconds=60)
        self.video.move(600, 600)

    def test_window_keys_and_the_end(self):
        # A batch file keeps the status and the error output, and the console
        # open afterwards to be looked at.
        folder = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, folder, True)
        status, errors = os.path.join(folder, "status.txt"), os.path.join(folder, "errors.txt")
        batch = os.path.join(folder, "run.bat")
        with open(batch, "w", newline="\r\n") as f:
            f.write(f'@"{EXE}" 2> "{errors}"\n@echo %errorlevel% > "{status}"\n@pause > nul\n')
        self.start(fixture("colours.mkv"), batch)
        # The font request: the console's 25 rows now stand 7 pixels each
        # (Wine keeps the window's rows and columns, and rounds the width).
        self.assertEqual(self.console.size()[1], 25 * 7)
        window = self.video
        self.assertIsNotNone(wait_until(lambda: (shown_frame(window) or 0) >= 5),
                             f"the window shows no fixture frame: {window.colours()}")
        window.key("1")
        frozen = settled_frame(window)
        self.assertIsNotNone(frozen, "1 does not freeze the window")
        # Frozen: the same frame for a second, 25 frames of the video.
        self.assertIsNone(wait_until(lambda: shown_frame(window) not in (None, frozen), 1.0))
        window.key("0")
        self.assertIsNotNone(wait_until(lambda: (shown_frame(window) or 0) > frozen + 5),
                             "the window stays frozen after 0")
        window.key("Escape")

        self.assertEqual(wait_for_status(status), 0)
        with open(errors, "rb") as f:
            self.assertEqual(f.read().decode(), small_terminal_hint(80, 25, end="\r\n"))
        # Cleared: the text area (the scroll bar aside) is all background
        # but for the cursor, one 3 x 7 cell at the most.
        colours = self.console.colours(crop="240x140+0+0")
        self.assertLessEqual(sum(colours.values()) - colours.get((0, 0, 0), 0), 21, colours)

    def test_a_path_with_spaces_as_the_readme_says(self):
        # Given after the program's name, then Ctrl+Z and Enter at the prompt.
        folder = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, folder, True)
        clip = os.path.join(folder, "my videos", "clip one.mkv")
        os.makedirs(os.path.dirname(clip))
        shutil.copy(fixture("greys.mkv"), clip)
        status, batch = os.path.join(folder, "status.txt"), os.path.join(folder, "run.bat")
        with open(batch, "w", newline="\r\n") as f:
            f.write(f'@"{EXE}" Z:{clip.replace("/", chr(92))}\n@echo %errorlevel% > "{status}"\n')
        self.start(None, batch)
        self.console.key("ctrl+z")
        self.console.key("Return")
        self.assertEqual(wait_for_status(status), 0)

    def test_ctrl_c_in_the_console(self):
        self.start(fixture("slow.mkv"))
        self.console.click()
        self.console.key("ctrl+c")
        self.assertEqual(self.charplay.wait(timeout=30), 130)

    def test_ctrl_c_after_a_refused_segment_tells_why_it_was(self):
        # Live over HTTP, its second segment over HTTPS from a server the exe
        # cannot trust: told once charplay ends, not as it happens.
        folder = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, folder, True)
        errors, batch = os.path.join(folder, "errors.txt"), os.path.join(folder, "run.bat")
        # A batch file that Ctrl+C cuts short keeps the error output.
        with open(batch, "w", newline="\r\n") as f:
            f.write(f'@"{EXE}" 2> "{errors}"\n')
        playlist = mixed_playlist(self, serve(FIXTURES), serve(FIXTURES, "IP:127.0.0.1"), live=True)
        self.start(playlist, batch)
        self.assertTrue(wait_until(lambda: "/slow_hls/index3.ts" in asked_for, 60))
        with open(errors, "rb") as f:
            self.assertEqual(f.read(), b"")
        self.console.click()
        self.console.key("ctrl+c")
        # Wine's console may close before charplay has ended.
        self.assertTrue(wait_until(lambda: not subprocess.run(
            ["pgrep", "-f", "charplay.exe"], capture_output=True).stdout, 60))
        with open(errors, "rb") as f:
            self.assertRegex(f.read().decode(), "\ncharplay: 127.0.0.1: the server's certificate"
                             " is not trusted[^\r\n]*\r\n$")

    def test_ctrl_c_while_a_stream_stalls(self):
        stalled.clear()
        self.start(f"{serve(FIXTURES)}/stall/clip.mp4")
        self.assertTrue(stalled.wait(60))
        time.sleep(1)  # to play what came, and block in the read
        self.console.click()
        asked = time.monotonic()
        self.console.key("ctrl+c")
        self.assertEqual(self.charplay.wait(timeout=60), 130)
        # The library would wait out its 30-second time-out; Wine's console
        # takes its own time to close.
        self.assertLess(time.monotonic() - asked, AT_ONCE)


if __name__ == "__main__":
    unittest.main()
