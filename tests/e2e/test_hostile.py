"""Whatever a user or a bad file throws at charplay: it never crashes, hangs
or leaves a broken terminal."""
import fcntl
import os
import pty
import re
import select
import shutil
import signal
import struct
import subprocess
import tempfile
import termios
import threading
import time
import unittest

from tests.e2e.network import serve, stalled
from tests.e2e.tmux_pane import Pane
from tests.harness import (AT_ONCE, CHARPLAY, FIXTURES, NO_DISPLAY, OPEN_FAILURE, blocked_in_a_read,
                           fixture, frame, frames, run, small_terminal_hint, stopped, wait_until,
                           wchan)

FAILURE = OPEN_FAILURE.encode() + b"\n"
UTF8 = dict(NO_DISPLAY, LC_ALL="C.UTF-8")


F_SETPIPE_SZ = 1031  # from <fcntl.h>; Python 3.10 names it, Debian 12 has 3.11


class PathsThatDoNotOpen(unittest.TestCase):
    def test_each_prints_the_message_and_exits_255(self):
        folder = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, folder)
        files = {"empty.mp4": b"", "notes.txt": b"just some text\n",
                 "random.bin": os.urandom(1 << 16)}
        for name, data in files.items():
            with open(os.path.join(folder, name), "wb") as f:
                f.write(data)
        cases = {
            "missing file": os.path.join(folder, "missing.mp4"),
            "empty token": "",
            "directory": folder,
            "zero-byte file": os.path.join(folder, "empty.mp4"),
            "text file": os.path.join(folder, "notes.txt"),
            "random bytes": os.path.join(folder, "random.bin"),
            "4 KiB path": "/tmp/" + "a" * 4096 + ".mp4",
            "dash alone": "-",
            "an MP4 cut before its index": fixture("half.mp4") + ".missing",
        }
        for what, path in cases.items():
            with self.subTest(what):
                result = run(env=UTF8, stdin=path.encode() + b"\n")
                self.assertEqual((result.returncode, result.stdout, result.stderr),
                                 (255, FAILURE, b""))


class NamesThatPlay(unittest.TestCase):
    def test_names_the_library_might_misread(self):
        for name in ("100%.mp4", "frame%d.mp4", "-dash.mp4", "vidéo.mp4"):
            with self.subTest(name):
                result = run(env=UTF8, stdin=fixture(name).encode() + b"\n")
                self.assertEqual(result.returncode, 0)
                self.assertEqual(len(frames(result.stdout)), 60)

    def test_a_name_with_spaces_given_as_arguments(self):
        result = run(env=UTF8, stdin=b"", args=fixture("two words.mkv").split(" "))
        self.assertEqual(result.stdout, frame(" " * 64) * 2)


class DamagedFiles(unittest.TestCase):
    def assert_plays_what_it_can(self, name, columns, at_least):
        result = run(env=UTF8, stdin=fixture(name).encode())
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(result.stderr, b"")
        played = frames(result.stdout)
        self.assertGreaterEqual(len(played), at_least)
        for text in played:
            self.assertEqual({len(line) for line in text.split(b"\n")[:-1]}, {columns})
        return played

    def test_each_plays_what_it_can(self):
        self.assert_plays_what_it_can("half.mp4", 160, 1)
        self.assert_plays_what_it_can("scrambled.mkv", 160, 1)
        self.assertEqual(self.assert_plays_what_it_can("nothing.mkv", 160, 0), [])
        self.assertEqual(len(self.assert_plays_what_it_can("resized.ts", 160, 3)), 6)


class OddGeometryAndTiming(unittest.TestCase):
    def test_sizes(self):
        for name, expected in (("geometry_1x1.mkv", frame("N", 1) + frame(" ", 89)),
                               ("geometry_1x2000.mkv", frame("N")),
                               ("geometry_7680x4320.mkv", frame("N" * 160))):
            with self.subTest(name):
                result = run(env=UTF8, stdin=fixture(name).encode())
                self.assertEqual((result.returncode, result.stdout), (0, expected))

    def test_rates(self):
        # Frames, and the least and most seconds they take: slideshows keep
        # their pace, damaged headers' rates give way to 25 a second, and the
        # fastest rates never wait for ever (their 1 ms waits are the unit
        # tests').
        for name, count, least, most in (
                ("rate_0.5.mov", 1, 2.0, 30), ("rate_0.2.avi", 1, 5.0, 30),
                ("rate_0.01.avi", 3, 0.120, 5), ("rate_0.00012.avi", 3, 0.120, 5),
                ("rate_1000.mov", 2, None, 30), ("rate_1001.mov", 2, None, 30),
                ("rate_5000.mov", 2, None, 30), ("no_rate.h264", 3, 0.120, 30)):
            with self.subTest(name):
                status, out, waited = self.play_timed(fixture(name))
                self.assertEqual(status, 0)
                self.assertEqual(out, frame("x" * 64) * count)
                if least is not None:
                    self.assertGreaterEqual(waited, least)
                self.assertLess(waited, most)

    def play_timed(self, path):
        """Plays path; returns the exit status, the output, and the seconds
        from the first frame's write to the end of the output: the waits
        after each frame, start-up left out. The pipe holds less than a
        frame, so that the first frame's write ends only once its first page
        has been read: the clock starts while that write is still under
        way, however late a loaded machine wakes the test."""
        read, write = os.pipe()
        fcntl.fcntl(write, F_SETPIPE_SZ, 4096)
        charplay = subprocess.Popen([CHARPLAY], stdin=subprocess.PIPE, stdout=write, env=UTF8)
        os.close(write)
        self.addCleanup(charplay.kill)
        charplay.stdin.write(path.encode())
        charplay.stdin.close()
        with open(read, "rb", buffering=0) as out:
            first = out.read(1)
            started = time.monotonic()
            rest = b"".join(iter(lambda: out.read(65536), b""))
        return charplay.wait(timeout=30), first + rest, time.monotonic() - started


# Only a library's initializer before main leaves this uncaught (the type's
# name is demangled where memory allows).
UNCAUGHT_BAD_ALLOC = rb"^terminate called after throwing an instance of '(std::|St9)bad_alloc'"


class LibraryFailure(unittest.TestCase):
    def run_capped(self, mib):
        """Plays a 7680 x 4320 frame under a cap on address space; returns
        "played", "ended" (no frame could be read), "threw", "no source" (the
        file did not open) or "did not start" (the loader, or a library's
        initializer before main, ran out of memory)."""
        result = run(stdin=fixture("geometry_7680x4320.mkv").encode(), env=UTF8,
                     command=["sh", "-c", f'ulimit -v {mib * 1024}; exec "$0"', CHARPLAY])
        # The loader's own failure, or a library's initializer throwing.
        if result.returncode == 127 or (result.returncode == -signal.SIGABRT
                                        and re.match(UNCAUGHT_BAD_ALLOC, result.stderr)):
            return "did not start"
        if result.returncode == 255:
            self.assertEqual((result.stdout, result.stderr), (FAILURE, b""), f"at {mib} MiB")
            return "no source"
        if result.returncode == 1:
            self.assertRegex(result.stderr,
                             rb"^charplay: [^\n]*(Insufficient memory|out of memory)[^\n]*\n$")
            return "threw"
        self.assertEqual((result.returncode, result.stderr), (0, b""), f"at {mib} MiB")
        self.assertIn(result.stdout, (b"", frame("N" * 160)), f"at {mib} MiB")
        return "played" if result.stdout else "ended"

    @unittest.skipIf(os.environ.get("CHARPLAY_SANITIZED"),
                     "the sanitizers reserve more address space than any cap leaves")
    def test_an_exception_ends_with_one_line_and_status_1(self):
        # Too little memory to read the frame ends playback as the end of the
        # source does; enough to read it but not to convert it makes OpenCV
        # throw in the conversion (the grey frame needs 33 MB more). Find the
        # least cap that plays, within 4 MiB; just below it, the conversion
        # is what fails.
        low, high = 256, 2048
        self.assertEqual(self.run_capped(high), "played")
        while high - low > 4:
            middle = (low + high) // 2
            if self.run_capped(middle) == "played":
                high = middle
            else:
                low = middle
        self.assertEqual(self.run_capped(low), "threw", f"played from {high} MiB on")
        self.assert_a_terminal_keeps_its_text(low)

    def assert_a_terminal_keeps_its_text(self, mib):
        # No frame was drawn: the terminal is left as it was, but for the
        # line that says why. A terminal takes a little more memory than a
        # file, so the cap that throws there may lie a MiB or two off.
        for cap in (mib, mib - 1, mib + 1, mib - 2, mib + 2):
            pane = Pane(170, 100, NO_DISPLAY)
            self.addCleanup(pane.close)
            pane.start(fixture("geometry_7680x4320.mkv"), f"echo kept; ulimit -v {cap * 1024}; ")
            if pane.exit_status() == 1:
                self.assertRegex(pane.text(), r"^kept\ncharplay: [^\n]*$")
                return
        self.fail(f"nothing from {mib - 2} to {mib + 2} MiB threw in a terminal")

    @unittest.skipIf(os.environ.get("CHARPLAY_SANITIZED"),
                     "the sanitizers reserve more address space than any cap leaves")
    def test_no_crash_once_started_where_the_file_cannot_open(self):
        # Just above the least memory the libraries load in, FFmpeg cannot
        # open the file; each cap ends in one of run_capped's outcomes, and
        # none by a signal.
        outcomes = {self.run_capped(mib) for mib in range(256, 400, 3)}
        self.assertIn("no source", outcomes)


class StandardInput(unittest.TestCase):
    def test_binary_bytes(self):
        result = run(env=UTF8, stdin=bytes(range(256)) * 4)
        self.assertEqual((result.returncode, result.stdout), (255, FAILURE))

    def test_a_ten_mebibyte_token(self):
        result = run(env=UTF8, stdin=b"a" * (10 << 20) + b"\n", args=[fixture("greys.mkv")])
        self.assertEqual(result.returncode, 0)
        self.assertEqual(len(frames(result.stdout)), 6)

    def test_closed_standard_input(self):
        result = run(stdin=None, env=UTF8, timeout=30,
                     command=["sh", "-c", 'exec "$0" "$1" <&-', CHARPLAY, fixture("greys.mkv")])
        self.assertEqual(result.returncode, 0)
        self.assertEqual(len(frames(result.stdout)), 6)


class Output(unittest.TestCase):
    def test_a_reader_that_goes_away_ends_playback(self):
        charplay = subprocess.Popen([CHARPLAY], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                    stderr=subprocess.PIPE, env=UTF8)
        charplay.stdin.write(fixture("slow.mkv").encode())
        charplay.stdin.close()
        self.assertEqual(len(charplay.stdout.read(100)), 100)
        charplay.stdout.close()
        self.assertEqual(charplay.wait(timeout=10), 128 + signal.SIGPIPE)
        with charplay.stderr:
            self.assertEqual(charplay.stderr.read(), b"")

    def test_a_closed_output_ends_playback_with_one_message(self):
        result = run(stdin=fixture("slow.mkv").encode(), env=UTF8, timeout=10,
                     command=["sh", "-c", 'exec "$0" >&-', CHARPLAY])
        self.assertEqual(result.returncode, 1)
        self.assertEqual(result.stderr, b"charplay: cannot write the frames: Bad file descriptor\n")


class Signals(unittest.TestCase):
    def start(self, path=None, **kwargs):
        """Plays path, by default slow.mkv."""
        charplay = subprocess.Popen([CHARPLAY], stdin=subprocess.PIPE, env=UTF8, **kwargs)
        self.addCleanup(charplay.kill)
        charplay.stdin.write((path or fixture("slow.mkv")).encode())
        charplay.stdin.close()
        return charplay

    def test_each_ends_playback_with_its_own_status(self):
        for sig in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
            with self.subTest(sig.name), tempfile.TemporaryFile() as out:
                charplay = self.start(stdout=out)
                self.assertTrue(wait_until(lambda: os.fstat(out.fileno()).st_size > 0))
                # Held still, so that the frames before the signal can be
                # counted however slow the machine: it lands at SIGCONT.
                charplay.send_signal(signal.SIGSTOP)
                self.assertTrue(wait_until(lambda: stopped(charplay.pid)), "never stopped")
                before = len(frames(os.pread(out.fileno(), 1 << 24, 0)))
                charplay.send_signal(sig)
                charplay.send_signal(signal.SIGCONT)
                self.assertEqual(charplay.wait(timeout=AT_ONCE), -sig)
                out.seek(0)
                self.assertEqual(len(frames(out.read())), before)

    def test_a_write_that_blocks_is_cut_short(self):
        # A pipe of one page that nobody reads: the first frame's write blocks.
        read, write = os.pipe()
        fcntl.fcntl(write, F_SETPIPE_SZ, 4096)
        charplay = self.start(stdout=write)
        os.close(write)
        self.addCleanup(os.close, read)
        # pipe_write, or anon_pipe_write in newer kernels
        self.assertTrue(wait_until(lambda: wchan(charplay.pid).endswith("pipe_write"), 30),
                        "never blocked in a write")
        charplay.send_signal(signal.SIGTERM)
        self.assertEqual(charplay.wait(timeout=10), -signal.SIGTERM)


    def test_two_ctrl_c_end_it_on_a_terminal_that_stopped_reading(self):
        # The stream stalls and the terminal's buffer is full: the handler's
        # clear must not wait for room, and a second Ctrl+C must get in.
        stalled.clear()
        master, terminal = pty.openpty()
        fcntl.ioctl(terminal, termios.TIOCSWINSZ, struct.pack("HHHH", 100, 200, 0, 0))
        filler = os.open(os.ttyname(terminal), os.O_WRONLY | os.O_NONBLOCK | os.O_NOCTTY)
        for fd in (master, terminal, filler):
            self.addCleanup(os.close, fd)
        charplay = self.start(f"{serve(FIXTURES)}/stall/clip.mp4", stdout=terminal)
        reading = threading.Event()
        reading.set()

        def read():
            while reading.is_set():
                if select.select([master], [], [], 0.05)[0]:
                    os.read(master, 65536)
        reader = threading.Thread(target=read)
        reader.start()
        self.assertTrue(stalled.wait(20))
        self.assertTrue(wait_until(lambda: blocked_in_a_read(charplay.pid)), "never blocked")
        reading.clear()
        reader.join()
        with self.assertRaises(BlockingIOError):
            while True:
                os.write(filler, b"x" * 4096)
        asked = time.monotonic()
        charplay.send_signal(signal.SIGINT)
        charplay.send_signal(signal.SIGINT)
        self.assertEqual(charplay.wait(timeout=60), -signal.SIGINT)
        self.assertLess(time.monotonic() - asked, AT_ONCE)


# The line the shell (dash) writes of a program that a stop signal ended,
# on the screen charplay cleared: none for an interrupt.
SHELL_SAYS = {signal.SIGINT: "", signal.SIGTERM: "Terminated", signal.SIGHUP: "Hangup"}


class Terminals(unittest.TestCase):
    def pane(self, width, height):
        pane = Pane(width, height, NO_DISPLAY)
        self.addCleanup(pane.close)
        return pane

    def charplay_pid(self, pane):
        pid = pane.tmux_out("display", "-p", "#{pane_pid}").strip()
        charplay = subprocess.run(["pgrep", "-P", pid, "-x", os.path.basename(CHARPLAY)],
                                  capture_output=True, text=True).stdout.split()
        self.assertEqual(len(charplay), 1)
        return int(charplay[0])

    def test_signals_clear_the_screen(self):
        for sig, status in ((signal.SIGINT, 130), (signal.SIGTERM, 143)):
            with self.subTest(sig.name):
                pane = self.pane(170, 100)
                pane.start(fixture("slow.mkv"))
                self.assertIsNotNone(pane.wait_for_screen(lambda s: s[0] == "x" * 160))
                os.kill(self.charplay_pid(pane), sig)
                self.assertEqual(pane.exit_status(), status)
                self.assertEqual(pane.screen(), [SHELL_SAYS[sig]] + [""] * 99)

    def test_a_stalled_stream_ends_at_once_on_each_signal(self):
        # The library would wait out its 30-second read time-out first.
        address = serve(FIXTURES)
        for sig in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
            with self.subTest(sig.name):
                stalled.clear()
                pane = self.pane(170, 100)
                pane.start(f"{address}/stall/clip.mp4")
                self.assertTrue(stalled.wait(20))
                self.assertIsNotNone(pane.wait_for_screen(lambda s: s[0] != ""))
                pid = self.charplay_pid(pane)
                self.assertTrue(wait_until(lambda: blocked_in_a_read(pid)), "never blocked")
                asked = time.monotonic()
                os.kill(pid, sig)
                self.assertTrue(wait_until(lambda: not os.path.exists(f"/proc/{pid}"), 40, 0.01))
                self.assertLess(time.monotonic() - asked, AT_ONCE)
                self.assertEqual(pane.exit_status(), 128 + sig)
                self.assertEqual(pane.screen(), [SHELL_SAYS[sig]] + [""] * 99)

    def test_ctrl_c_typed_in_the_terminal(self):
        pane = self.pane(170, 100)
        pane.start(fixture("slow.mkv"))
        self.assertIsNotNone(pane.wait_for_screen(lambda s: s[0] == "x" * 160))
        pane.tmux_out("send-keys", "C-c")
        self.assertEqual(pane.exit_status(), 130)
        self.assertEqual(pane.screen(), [""] * 100)

    def test_ctrl_c_ends_a_bash_loop_that_plays_one_clip_after_another(self):
        # bash goes on with its loop after a child that exits with 130; one
        # that an interrupt ended ends it too (and bash then reports 130).
        folder = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, folder)
        loop = os.path.join(folder, "loop")
        with open(loop, "w") as f:
            f.write(f'#!/bin/bash\nfor clip in slow.mkv greys.mkv; do\n'
                    f'  "{CHARPLAY}" "{FIXTURES}/$clip" < /dev/null\ndone\n')
        os.chmod(loop, 0o755)
        pane = self.pane(170, 100)
        pane.start("", program=loop)
        self.assertIsNotNone(pane.wait_for_screen(lambda s: s[0] == "x" * 160))
        pane.tmux_out("send-keys", "C-c")
        self.assertEqual(pane.exit_status(), 130)
        self.assertEqual(pane.screen(), [""] * 100)

    def test_a_terminal_too_small_for_the_frames_gets_a_hint(self):
        # At the end, and after Ctrl+C too; the status stays as it was.
        for ending, status in (("end", 0), ("Ctrl+C", 130)):
            with self.subTest(ending):
                pane = self.pane(80, 24)
                pane.start(fixture("terminal.mkv" if ending == "end" else "slow.mkv"))
                if ending == "Ctrl+C":
                    self.assertIsNotNone(pane.wait_for_screen(lambda s: s[0] == "x" * 80))
                    pane.tmux_out("send-keys", "C-c")
                self.assertEqual(pane.exit_status(), status)
                self.assertEqual(pane.text(), small_terminal_hint(80, 24, end=""))

    def test_no_hint_where_the_frames_fit_or_none_was_drawn(self):
        for width, height, name in ((200, 100, "terminal.mkv"), (80, 24, "nothing.mkv")):
            with self.subTest(name):
                pane = self.pane(width, height)
                pane.start(fixture(name))
                self.assertEqual(pane.exit_status(), 0)
                self.assertEqual(pane.screen(), [""] * height)


if __name__ == "__main__":
    unittest.main()
