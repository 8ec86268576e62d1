"""Streams over the network: HTTP, HTTPS, HLS, live HLS, RTSP, UDP, a cut
connection, a refused one."""
import os
import shutil
import signal
import socket
import subprocess
import tempfile
import unittest

from tests.harness import CHARPLAY, NO_DISPLAY, fixture, play, wait_until
from tests.e2e.network import Streams, assert_a_run_of, closed_port, send_live


class Sdp(unittest.TestCase):
    def test_an_sdp_file_plays_its_rtp_stream_until_ctrl_c(self):
        # RTP has no end: charplay would wait out the library's time-out.
        # The feed runs until the test ends, however late charplay joins it.
        folder = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, folder)
        sdp = os.path.join(folder, "session.sdp")
        sender = send_live("-f", "rtp", "-sdp_file", sdp,
                           f"rtp://127.0.0.1:{closed_port(socket.SOCK_DGRAM)}", loops=-1)
        self.addCleanup(sender.kill)
        self.assertTrue(wait_until(lambda: os.path.exists(sdp)))
        with tempfile.TemporaryFile() as out:
            charplay = subprocess.Popen([CHARPLAY], stdin=subprocess.PIPE, stdout=out,
                                        env=NO_DISPLAY)
            self.addCleanup(charplay.kill)
            charplay.stdin.write(sdp.encode() + b"\n")
            charplay.stdin.close()
            one_frame = 90 * 161
            self.assertTrue(wait_until(lambda: os.fstat(out.fileno()).st_size >= 12 * one_frame))
            charplay.send_signal(signal.SIGINT)
            self.assertEqual(charplay.wait(timeout=10), -signal.SIGINT)
            out.seek(0)
            assert_a_run_of(self, out.read(), play(fixture("stream.mp4")).stdout * 6)


class Network(Streams, unittest.TestCase):
    end_of_line = b"\n"
    # Debian's FFmpeg, which we do not patch, checks no certificate.
    checks_https = False
    trust = {}

    def play(self, address, **env):
        return play(address, env=dict(NO_DISPLAY, LC_ALL="C.UTF-8", **env))


if __name__ == "__main__":
    unittest.main()
