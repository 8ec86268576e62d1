"""Streams over the network, for the Linux build and for the exe: a web
server on 127.0.0.1 that serves the fixtures over HTTP, or HTTPS with a
self-signed certificate, and under /cut/ sends the first half of a file and
then closes the connection, under /stall/ a third and then nothing; and the
cases each build must pass."""
import functools
import http.server
import os
import shutil
import socket
import ssl
import subprocess
import tempfile
import threading
import time

from tests.harness import FIXTURES, OPEN_FAILURE, fixture, frames, wait_until


# Set once a request under /stall/ has sent all it will.
stalled = threading.Event()


class Handler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def do_GET(self):
        part = self.path.split("/")[1]
        if part not in ("cut", "stall"):
            super().do_GET()
            return
        with open(self.translate_path(self.path[len(part) + 1:]), "rb") as f:
            data = f.read()
        self.send_response(200)
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        if part == "cut":
            self.wfile.write(data[:len(data) // 2])
            self.close_connection = True
            return
        # A stalled server: a third of the file, then the connection held
        # open in silence.
        self.wfile.write(data[:len(data) // 3])
        self.wfile.flush()
        stalled.set()
        time.sleep(120)


def serve(folder, tls=False):
    """Serves folder on a free port until the process ends; returns the
    address it is served at."""
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0),
                                             functools.partial(Handler, directory=folder))
    if tls:
        with tempfile.TemporaryDirectory() as keys:
            pem = os.path.join(keys, "server.pem")
            subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes",
                            "-subj", "/CN=127.0.0.1", "-days", "1", "-keyout", pem, "-out", pem],
                           capture_output=True, check=True)
            context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
            context.load_cert_chain(pem)
        server.socket = context.wrap_socket(server.socket, server_side=True)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return f"{'https' if tls else 'http'}://127.0.0.1:{server.server_address[1]}"


def closed_port(kind=socket.SOCK_STREAM):
    with socket.socket(type=kind) as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class RtspServer:
    """rtsp_server.py in a process of its own, serving path."""

    def __init__(self, path, seconds=None):
        server = os.path.join(os.path.dirname(os.path.abspath(__file__)), "rtsp_server.py")
        self.process = subprocess.Popen(["/usr/bin/python3", server, path,
                                         *([str(seconds)] if seconds else [])],
                                        stdout=subprocess.PIPE, text=True)
        self.address = f"rtsp://127.0.0.1:{self.process.stdout.readline().strip()}/clip"

    def stop(self):
        self.process.kill()
        self.process.wait()
        self.process.stdout.close()


def send_live(*args):
    """Starts ffmpeg sending stream.mp4 looped five times at its own pace
    to the output args give; it ends by itself."""
    return subprocess.Popen(["ffmpeg", "-nostdin", "-loglevel", "error", "-re", "-stream_loop", "5",
                             "-i", fixture("stream.mp4"), "-c", "copy", *args])


def assert_a_run_of(test, played, whole):
    """A live source may be joined late: played holds a dozen frames or more
    that follow each other in whole. Returns whether they reach its end."""
    got, all_frames = frames(played), frames(whole)
    test.assertGreaterEqual(len(got), 12)
    test.assertIn(got[0], all_frames)
    start = all_frames.index(got[0])
    test.assertEqual(got, all_frames[start:start + len(got)])
    return start + len(got) == len(all_frames)


class Streams:
    """The cases; a test class mixes them in and says how its build plays a
    typed address: play(address, **env) returns the finished run, with the
    variables env adds, and end_of_line is what ends the failure message."""

    @classmethod
    def setUpClass(cls):
        cls.http = serve(FIXTURES)
        cls.https = serve(FIXTURES, tls=True)

    def assert_plays_as_the_file(self, address, name):
        played, local = self.play(address), self.play(fixture(name))
        self.assertEqual((played.returncode, played.stderr), (0, b""))
        self.assertEqual(played.stdout, local.stdout)
        self.assertTrue(frames(local.stdout))

    def test_http_and_https_play_as_the_file_does(self):
        for base in (self.http, self.https):
            with self.subTest(base):
                self.assert_plays_as_the_file(f"{base}/clip.mp4", "clip.mp4")

    def test_an_hls_playlist(self):
        self.assert_plays_as_the_file(f"{self.http}/hls/index.m3u8", "stream.mp4")

    def test_a_connection_cut_half_way_ends_as_a_file_does(self):
        played, whole = self.play(f"{self.http}/cut/clip.mp4"), self.play(fixture("clip.mp4"))
        self.assertEqual((played.returncode, played.stderr), (0, b""))
        got, all_frames = frames(played.stdout), frames(whole.stdout)
        self.assertTrue(0 < len(got) < len(all_frames), f"{len(got)} of {len(all_frames)}")
        self.assertEqual(got, all_frames[:len(got)])


    def test_a_live_hls_playlist_plays_as_it_grows_and_ends_with_it(self):
        folder = tempfile.mkdtemp(dir=FIXTURES)
        self.addCleanup(shutil.rmtree, folder)
        playlist = os.path.join(folder, "live.m3u8")
        writer = send_live("-f", "hls", "-hls_time", "0.2", "-hls_list_size", "0", playlist)
        self.addCleanup(writer.kill)
        self.assertTrue(wait_until(lambda: os.path.exists(playlist)))
        played = self.play(f"{self.http}/{os.path.basename(folder)}/live.m3u8")
        self.assertEqual(writer.wait(timeout=30), 0)
        # Played to the end of the playlist, the frames it had by then.
        self.assertEqual((played.returncode, played.stderr), (0, b""))
        self.assertTrue(assert_a_run_of(self, played.stdout, self.play(playlist).stdout))

    def test_an_mpeg_ts_feed_over_udp(self):
        # The feed repeats stream.mp4; charplay joins it when it can, and
        # ends two seconds after it stops, as FFmpeg's timeout option says.
        port = closed_port(socket.SOCK_DGRAM)
        sender = send_live("-f", "mpegts", f"udp://127.0.0.1:{port}?pkt_size=1316")
        self.addCleanup(sender.kill)
        played = self.play(f"udp://127.0.0.1:{port}?timeout=2000000")
        self.assertEqual((played.returncode, played.stderr), (0, b""))
        assert_a_run_of(self, played.stdout, self.play(fixture("stream.mp4")).stdout * 6)

    def assert_the_start_of(self, played, whole):
        """status 0 and the first frames of whole; the last of them may have
        lost packets on the way (UDP, a server gone), whole all the same.
        Returns how many frames played."""
        self.assertEqual((played.returncode, played.stderr), (0, b""))
        got, all_frames = frames(played.stdout), frames(whole.stdout)
        self.assertTrue(1 < len(got) <= len(all_frames), f"{len(got)} of {len(all_frames)}")
        self.assertEqual(got[:-1], all_frames[:len(got) - 1])
        self.assertEqual(len(got[-1]), len(all_frames[0]))
        return len(got)

    def test_rtsp_over_tcp_and_over_udp_plays_as_the_file(self):
        server = RtspServer(fixture("stream.mp4"))
        self.addCleanup(server.stop)
        whole = self.play(fixture("stream.mp4"))
        tcp = self.play(server.address, OPENCV_FFMPEG_CAPTURE_OPTIONS="rtsp_transport;tcp")
        self.assertEqual((tcp.returncode, tcp.stderr, tcp.stdout), (0, b"", whole.stdout))
        udp = self.play(server.address, OPENCV_FFMPEG_CAPTURE_OPTIONS="rtsp_transport;udp")
        self.assertGreaterEqual(self.assert_the_start_of(udp, whole), len(frames(whole.stdout)) - 1)

    def test_an_rtsp_server_gone_mid_stream_ends_as_a_cut_connection(self):
        server = RtspServer(fixture("live.mp4"), seconds=2)
        self.addCleanup(server.stop)
        played, whole = self.play(server.address), self.play(fixture("live.mp4"))
        self.assertLess(self.assert_the_start_of(played, whole), len(frames(whole.stdout)))

    def test_a_refused_connection_fails_at_once(self):
        started = time.monotonic()
        result = self.play(f"http://127.0.0.1:{closed_port()}/clip.mp4")
        self.assertEqual((result.returncode, result.stdout, result.stderr),
                         (255, OPEN_FAILURE.encode() + self.end_of_line, b""))
        self.assertLess(time.monotonic() - started, 5)
