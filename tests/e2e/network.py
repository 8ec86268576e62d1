"""Streams over the network, for the Linux build and for the exe: a web
server on 127.0.0.1 that serves the fixtures over HTTP, or HTTPS with a
self-signed certificate, and under /cut/ sends the first half of a file and
then closes the connection, under /stall/ a third and then nothing; and the
cases each build must pass."""
import functools
import http.server
import os
import socket
import ssl
import subprocess
import tempfile
import threading
import time

from charplay import FIXTURES, OPEN_FAILURE, fixture, frames


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


def closed_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Streams:
    """The cases; a test class mixes them in and says how its build plays a
    typed address: play(address) returns the finished run, and
    end_of_line is what ends the failure message."""

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

    def test_a_refused_connection_fails_at_once(self):
        started = time.monotonic()
        result = self.play(f"http://127.0.0.1:{closed_port()}/clip.mp4")
        self.assertEqual((result.returncode, result.stdout, result.stderr),
                         (255, OPEN_FAILURE.encode() + self.end_of_line, b""))
        self.assertLess(time.monotonic() - started, 5)
