"""The portable Linux archive: its program where no system library but the
C and C++ runtimes and zlib can be loaded, and in bare Debian 11 and 13,
byte for byte as the distribution build plays; its GTK 3 window where GTK
is installed, Debian 11's included; no OpenCV or FFmpeg but its own, and
nothing newer of glibc and libstdc++ than Debian 11 has."""
import glob
import os
import pty
import re
import select
import signal
import subprocess
import tarfile
import tempfile
import time
import unittest

from tests.harness import (AT_ONCE, FIXTURES, NO_DISPLAY, blocked_in_a_read, fixture, frames, play, run,
                           wait_until, with_environment)
from tests.e2e.make_fixtures import CODECS
from tests.e2e.network import (Streams, closed_port, mixed_playlist, sending_once, serve, stalled,
                               tcp_port_listened_on, test_ca)
from tests.e2e.xserver import (Window, assert_a_lost_display_clears_the_terminal, start_xvfb,
                               stop_xvfb)

ARCHIVE = os.environ.get("CHARPLAY_ARCHIVE", "")
READ_TESTS = os.environ.get("CHARPLAY_READ_TESTS", "")
# Debian roots (tests/linux/run_archive_test.sh makes them) and the command
# that runs a program inside one.
BARE_ROOTS = dict(entry.split("=") for entry in os.environ.get("CHARPLAY_BARE_ROOTS", "").split())
GTK_ROOT = os.environ.get("CHARPLAY_GTK_ROOT", "")
IN_ROOT = os.environ.get("CHARPLAY_IN_ROOT", "")
# The newest symbol versions that glibc 2.31 and GCC 10's libstdc++ define.
NEWEST = {"GLIBC": (2, 31), "GLIBCXX": (3, 4, 28), "CXXABI": (1, 3, 12)}
SYSTEM = "/usr/lib/x86_64-linux-gnu"
# What every Linux has that the archive may use, and the X client library
# (with what it needs) of any machine with a display: without GTK, that
# display must cost nothing.
# libdl and libpthread are glibc's own, apart from libc before 2.34.
BASE = ("ld-linux-x86-64.so.2", "libc.so.6", "libm.so.6", "libdl.so.2", "libpthread.so.0",
        "libstdc++.so.6", "libgcc_s.so.1", "libz.so.1",
        "libxcb.so.1", "libXau.so.6", "libXdmcp.so.6", "libbsd.so.0", "libmd.so.0")
# Copies the base into a tmpfs that then stands for the system's libraries,
# and binds a hosts file where one is given.
HIDE = f"""set -e
[ -z "$2" ] || mount --bind "$2" /etc/hosts
mount -t tmpfs none "$1"
for library in {' '.join(BASE)}; do cp -L {SYSTEM}/$library "$1/"; done
mount --bind "$1" {SYSTEM}
shift 2
exec "$@"
"""
# What a terminal is sent as a frame begins, and as charplay clears it.
BEGIN_UPDATE = b"\x1b[?2026h"
CLEARED = b"\x1b[2J\x1b[3J"


def setUpModule():
    global FOLDER, PROGRAM, XVFB, DISPLAY
    FOLDER = tempfile.TemporaryDirectory()
    with tarfile.open(ARCHIVE) as archive:
        archive.extractall(FOLDER.name)
    (PROGRAM,) = glob.glob(os.path.join(FOLDER.name, "charplay-*", "charplay"))
    XVFB, DISPLAY = start_xvfb()


def tearDownModule():
    stop_xvfb(XVFB)
    FOLDER.cleanup()


def hiding(base, hosts=""):
    """A Popen argument list that runs the archive's program where only the
    base libraries are, copied into the folder base, and hosts, where given,
    is /etc/hosts; the program keeps the process's pid."""
    return ["unshare", "--mount", "--propagation", "private", "sh", "-c", HIDE, "sh", base, hosts,
            PROGRAM]


def hidden(stdin, env, hosts=""):
    """Runs the archive's program where only the base libraries are."""
    with tempfile.TemporaryDirectory() as base:
        return run(stdin, command=hiding(base, hosts), env=env, timeout=120)


def elves(program):
    """The ELF files in the archive whose program is program."""
    found = []
    for folder, _, names in os.walk(os.path.dirname(program)):
        for path in (os.path.join(folder, name) for name in names):
            with open(path, "rb") as f:
                if f.read(4) == b"\x7fELF":
                    found.append(path)
    return found


def assert_debian_11_runs(test, program):
    """No ELF file in program's archive needs a newer symbol version of
    glibc or libstdc++ than Debian 11 has."""
    found = elves(program)
    test.assertIn(program, found)
    for path in found:
        symbols = subprocess.run(["readelf", "-W", "-V", path], capture_output=True, text=True,
                                 check=True).stdout
        needed = set(re.findall(r"\b(GLIBC|GLIBCXX|CXXABI)_([0-9.]+)\b", symbols))
        with test.subTest(os.path.basename(path)):
            test.assertIn("GLIBC", {name for name, _ in needed})
            newer = sorted(f"{name}_{version}" for name, version in needed
                           if tuple(map(int, version.split("."))) > NEWEST[name])
            test.assertEqual(newer, [])


def in_root(root, *args, env):
    """A Popen argument list that runs the archive's program in a Debian
    root with env, with the archive, the fixtures and the X server's socket
    bound in."""
    return [IN_ROOT, root, FOLDER.name, os.environ["FIXTURES"], "/tmp/.X11-unix", "--",
            *with_environment(env), PROGRAM, *args]


def play_in_root(root, stdin, **env):
    env = dict(NO_DISPLAY, **env)
    return run(stdin, command=in_root(root, env=env), env=env, timeout=120)


class LibrariesHidden(unittest.TestCase):
    def test_plays_as_the_distribution_build_with_or_without_a_display(self):
        for name in ("greys.mkv", "clip.mp4", "av1.mp4", "hevc_10bit.mkv", "vp9.webm",
                     "prores.mov", "theora.ogv"):
            expected = play(fixture(name), env=NO_DISPLAY)
            self.assertTrue(frames(expected.stdout))
            for env in (NO_DISPLAY, dict(NO_DISPLAY, DISPLAY=DISPLAY)):
                with self.subTest(name, display="DISPLAY" in env):
                    played = hidden(fixture(name).encode() + b"\n", env)
                    self.assertEqual((played.returncode, played.stderr), (0, b""))
                    self.assertEqual(played.stdout, expected.stdout)


class Network(Streams, unittest.TestCase):
    end_of_line = b"\n"

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.trust = dict(SSL_CERT_FILE=test_ca()[0])

    def play(self, address, **env):
        return hidden(address.encode() + b"\n", dict(NO_DISPLAY, **env))

    def on_a_terminal(self, address, frames_begun=0, signals=()):
        """Plays address on a terminal (a pty), sending signals once
        frames_begun frames have begun; returns the screen and the status."""
        master, terminal = pty.openpty()
        with tempfile.TemporaryDirectory() as base:
            process = subprocess.Popen(hiding(base), stdin=subprocess.PIPE, stdout=terminal,
                                       stderr=terminal, env=dict(NO_DISPLAY, **self.trust))
            os.close(terminal)
            self.addCleanup(process.kill)
            process.stdin.write(address.encode() + b"\n")
            process.stdin.close()
            screen = b""
            if signals:
                screen = read_until_closed(master, 60,
                                           lambda s: s.count(BEGIN_UPDATE) >= frames_begun)
                for number in signals:
                    process.send_signal(number)
            screen += read_until_closed(master, 60)
            status = process.wait(timeout=60)
        os.close(master)
        return screen, status

    def assert_refusal_after_the_clear(self, screen):
        self.assertIn(CLEARED, screen)
        self.assertRegex(screen.rsplit(CLEARED, 1)[1].decode(),
                         "^charplay: 127.0.0.1: [^\r\n]*another host name[^\r\n]*\r\n$")

    def test_a_segment_refused_mid_playback_is_told_after_the_final_clear(self):
        screen, status = self.on_a_terminal(
            mixed_playlist(self, self.https, self.https_elsewhere))
        self.assertEqual(status, 0)
        self.assert_refusal_after_the_clear(screen)

    def test_a_refusal_is_told_after_a_stop_signal_too(self):
        # Live, with its second segment refused: stopped once the third has
        # begun (three frames in the first segment, two in each after), or
        # the fourth.
        for signals, frames_begun in (((signal.SIGINT,), 4), ((signal.SIGTERM,), 6),
                                      ((signal.SIGINT, signal.SIGINT), 4)):
            with self.subTest(signals=signals, frames_begun=frames_begun):
                playlist = mixed_playlist(self, self.http, self.https_elsewhere, live=True)
                screen, status = self.on_a_terminal(playlist, frames_begun, signals)
                self.assertEqual(status, -signals[0])
                self.assert_refusal_after_the_clear(screen)

    def test_a_listening_tls_source_asks_for_no_client_certificate(self):
        # charplay listens; ffmpeg, with no certificate of its own, sends.
        port, pem = closed_port(), test_ca()[1]("IP:127.0.0.1")
        with sending_once(self, lambda: tcp_port_listened_on(port), "-f", "mpegts",
                          f"tls://127.0.0.1:{port}", loops=0):
            played = self.play(f"tls://127.0.0.1:{port}?listen=1&cert={pem}&key={pem}")
        self.assertEqual((played.returncode, played.stderr), (0, b""))
        self.assertEqual(played.stdout, self.play(fixture("stream.mp4")).stdout)

    def test_a_name_with_a_trailing_dot_is_checked_as_the_name(self):
        port = serve(FIXTURES, "DNS:charplay.test").rsplit(":", 1)[1]
        with tempfile.NamedTemporaryFile("w") as hosts:
            # glibc's hosts file keeps the dot: the name with it is an alias.
            hosts.write("127.0.0.1 charplay.test charplay.test.\n")
            hosts.flush()
            played = hidden(f"https://charplay.test.:{port}/clip.mp4\n".encode(),
                            dict(NO_DISPLAY, **self.trust), hosts.name)
        self.assertEqual((played.returncode, played.stderr), (0, b""))
        self.assertEqual(played.stdout, self.play(fixture("clip.mp4")).stdout)


def read_until_closed(fd, seconds, enough=lambda screen: False):
    """What a pty's other side writes until it closes (EIO), or what it has
    written once enough(it) holds, read as it comes, or the terminal fills;
    fails past seconds."""
    screen, deadline = bytearray(), time.monotonic() + seconds
    while (left := deadline - time.monotonic()) > 0:
        if select.select([fd], [], [], left)[0]:
            try:
                chunk = os.read(fd, 65536)
            except OSError:
                return bytes(screen)
            if not chunk:
                return bytes(screen)
            screen += chunk
            if enough(screen):
                return bytes(screen)
    raise AssertionError(f"the terminal was still open after {seconds} s: {bytes(screen[-300:])}")


class Theora(unittest.TestCase):
    def test_a_4_4_4_clip_gives_the_same_frames_every_run(self):
        outputs = {hidden(fixture("theora444.ogv").encode() + b"\n", NO_DISPLAY).stdout
                   for _ in range(10)}
        self.assertEqual(len(outputs), 1)
        self.assertEqual(len(frames(outputs.pop())), 12)


class Stalled(unittest.TestCase):
    def test_ctrl_c_ends_a_stalled_stream_at_once(self):
        stalled.clear()
        with tempfile.TemporaryDirectory() as base:
            charplay = subprocess.Popen(hiding(base), stdin=subprocess.PIPE,
                                        stdout=subprocess.DEVNULL, env=NO_DISPLAY)
            self.addCleanup(charplay.kill)
            charplay.stdin.write(f"{serve(FIXTURES)}/stall/clip.mp4\n".encode())
            charplay.stdin.close()
            self.assertTrue(stalled.wait(20))
            self.assertTrue(wait_until(lambda: blocked_in_a_read(charplay.pid)), "never blocked")
            asked = time.monotonic()
            charplay.send_signal(signal.SIGINT)
            self.assertEqual(charplay.wait(timeout=40), -signal.SIGINT)
            self.assertLess(time.monotonic() - asked, AT_ONCE)


class NetworkInDebian11(Network):
    # A bare root has no CA certificates at all.
    untrusted = "no CA certificates were found on this system"

    def play(self, address, **env):
        return play_in_root(BARE_ROOTS["bullseye"], address.encode() + b"\n", **env)


class OlderAndNewerDebian(unittest.TestCase):
    def test_no_elf_file_needs_a_newer_glibc_or_libstdcxx_than_debian_11(self):
        assert_debian_11_runs(self, PROGRAM)

    def test_bare_debian_11_and_13_play_as_the_distribution_build(self):
        self.assertEqual(sorted(BARE_ROOTS), ["bullseye", "trixie"])
        for name in CODECS:
            expected = play(fixture(name), env=NO_DISPLAY)
            self.assertTrue(frames(expected.stdout))
            for suite, root in BARE_ROOTS.items():
                with self.subTest(name, suite=suite):
                    played = play_in_root(root, fixture(name).encode() + b"\n")
                    self.assertEqual((played.returncode, played.stderr), (0, b""))
                    self.assertEqual(played.stdout, expected.stdout)

    def test_the_gtk_window_and_escape_in_debian_11(self):
        env = dict(NO_DISPLAY, DISPLAY=DISPLAY)
        charplay = subprocess.Popen(in_root(GTK_ROOT, fixture("slow.mkv"), env=env),
                                    stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, env=env)
        self.addCleanup(charplay.kill)
        Window(DISPLAY).key("Escape")
        self.assertEqual(charplay.wait(timeout=30), 0)


class Libraries(unittest.TestCase):
    def test_ldd_finds_opencv_in_the_archive_and_no_ffmpeg_at_all(self):
        folder = os.path.dirname(PROGRAM)
        for binary in [PROGRAM, *glob.glob(os.path.join(folder, "lib", "libopencv_*.so.*"))]:
            shown = subprocess.run(["ldd", binary], capture_output=True, text=True).stdout
            with self.subTest(os.path.basename(binary)):
                # Every one of them needs the C library at least.
                self.assertRegex(shown, r"(?m)^\s*libc\.so\.6 => /", shown)
                if binary == PROGRAM:
                    self.assertRegex(shown, r"(?m)^\s*libopencv_core\S* => ", shown)
                for line in re.findall(r"(?m)^\s*(libopencv\S*) => (\S+)", shown):
                    self.assertTrue(line[1].startswith(folder + "/lib/"), shown)
                self.assertNotRegex(shown, r"lib(av|sw|dav1d|ssl|crypto|gtk|Qt)", shown)

    def test_the_gtk_window_and_escape_with_only_its_own_opencv_loaded(self):
        charplay = subprocess.Popen([PROGRAM, fixture("slow.mkv")], stdin=subprocess.DEVNULL,
                                    stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                                    env=dict(NO_DISPLAY, DISPLAY=DISPLAY))
        self.addCleanup(charplay.kill)
        window = Window(DISPLAY)
        with open(f"/proc/{charplay.pid}/maps") as f:
            loaded = {line.split()[-1] for line in f if "/" in line}
        ours = [path for path in loaded if re.search(r"/lib(opencv|av|sw|dav1d)", path)]
        self.assertTrue(ours)
        self.assertEqual([p for p in ours if not p.startswith(os.path.dirname(PROGRAM))], [])
        self.assertTrue([path for path in loaded if "/libgtk-3.so" in path], loaded)
        window.key("Escape")
        self.assertEqual(charplay.wait(timeout=30), 0)
        self.assertEqual(charplay.stderr.read(), b"")


class DisplayGone(unittest.TestCase):
    def test_the_terminal_is_cleared_and_one_line_says_why(self):
        assert_a_lost_display_clears_the_terminal(self, PROGRAM)


class ConvertedIntoTheImage(unittest.TestCase):
    def test_the_archives_opencv_reads_into_an_image_the_bytes_it_copies(self):
        # The unit test of that read, built against Debian's OpenCV 4.6,
        # run with the archive's libraries, whose sonames are the same.
        lib = os.path.join(os.path.dirname(PROGRAM), "lib")
        env = dict(NO_DISPLAY, LD_LIBRARY_PATH=lib)
        linked = subprocess.run(["ldd", READ_TESTS], env=env, capture_output=True, text=True)
        self.assertIn(f"libopencv_videoio.so.406 => {lib}/", linked.stdout)
        result = subprocess.run([READ_TESTS], env=env, capture_output=True, text=True, timeout=120)
        self.assertEqual(result.returncode, 0, result.stdout[-3000:])
        self.assertIn("[  PASSED  ] 1 test", result.stdout)


if __name__ == "__main__":
    unittest.main()
