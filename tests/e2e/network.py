"""Streams over the network, for the Linux build and for the exe: a web
server on 127.0.0.1 that serves the fixtures over HTTP, or HTTPS with a
certificate for 127.0.0.1 from a test CA, and under /cut/ sends the first
half of a file and then closes the connection, under /stall/ a third and
then nothing, under /live/ a playlist that grows as it is read; and the
cases each build must pass."""
import atexit
import collections
import contextlib
import difflib
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

from tests.harness import AT_ONCE, FIXTURES, OPEN_FAILURE, fixture, frames, wait_until


# Set once a request under /stall/ has sent all it will.
stalled = threading.Event()

# Every path asked for, of any server.
asked_for = set()

# How often each playlist under /live/ has been asked for.
live_requests = collections.Counter()
live_lock = threading.Lock()


class Handler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def do_GET(self):
        asked_for.add(self.path)
        part = self.path.split("/")[1]
        if part == "live":
            self.send_live()
            return
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

    def send_live(self):
        """/live/NAME/PATH serves PATH; a playlist there is live: its Nth
        request under NAME gets its first N segments, and only the request
        that gets them all gets its end mark. It grows at each reload, not
        with time, so that a loaded machine reads the same."""
        _, _, name, path = self.path.split("/", 3)
        self.path = "/" + path
        if not path.endswith(".m3u8"):
            super().do_GET()
            return
        with live_lock:
            live_requests[name] += 1
            asked = live_requests[name]
        with open(self.translate_path(self.path)) as f:
            lines = [line for line in f.read().splitlines()
                     if not line.startswith("#EXT-X-PLAYLIST-TYPE")]
        segments = [i for i, line in enumerate(lines) if line and not line.startswith("#")]
        if asked < len(segments):
            lines = lines[:segments[asked - 1] + 1]
        data = "".join(line + "\n" for line in lines).encode()
        self.send_response(200)
        self.send_header("Content-Type", "application/vnd.apple.mpegurl")
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)


@functools.lru_cache(maxsize=None)
def test_ca():
    """A CA made for this process; they lie among the fixtures, which the
    Debian roots see. Returns the file of its certificate and a function
    that gives a server's certificate and key in one file, signed by it,
    for a subjectAltName ("IP:127.0.0.1", "DNS:elsewhere.invalid")."""
    folder = tempfile.mkdtemp(dir=FIXTURES)
    atexit.register(shutil.rmtree, folder, True)
    ca, ca_key = os.path.join(folder, "ca.pem"), os.path.join(folder, "ca.key")
    openssl = functools.partial(subprocess.run, capture_output=True, check=True)
    openssl(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
             "-subj", "/CN=charplay test CA", "-keyout", ca_key, "-out", ca])

    def server(name):
        pem, extensions = (os.path.join(folder, name + suffix) for suffix in (".pem", ".ext"))
        with open(extensions, "w") as f:
            f.write(f"subjectAltName={name}\nextendedKeyUsage=serverAuth\n")
        openssl(["openssl", "req", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=test",
                 "-keyout", pem, "-out", pem + ".csr"])
        signed = openssl(["openssl", "x509", "-req", "-in", pem + ".csr", "-CA", ca, "-CAkey",
                          ca_key, "-CAcreateserial", "-days", "1", "-extfile", extensions]).stdout
        with open(pem, "ab") as f:
            f.write(signed)
        return pem
    return ca, server


def serve(folder, tls_name=None):
    """Serves folder on a free port until the process ends, over HTTPS with
    a certificate from the test CA for tls_name where it is given (see
    test_ca); returns the address it is served at."""
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0),
                                             functools.partial(Handler, directory=folder))
    if tls_name:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(test_ca()[1](tls_name))
        server.socket = context.wrap_socket(server.socket, server_side=True)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return f"{'https' if tls_name else 'http'}://127.0.0.1:{server.server_address[1]}"


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


def udp_port_bound(port):
    """Whether a socket of this machine is bound to the UDP port."""
    for table in ("/proc/net/udp", "/proc/net/udp6"):
        with open(table) as f:
            if any(line.split()[1].endswith(f":{port:04X}") for line in f.readlines()[1:]):
                return True
    return False


def tcp_port_listened_on(port):
    """Whether a socket of this machine listens on the TCP port."""
    for table in ("/proc/net/tcp", "/proc/net/tcp6"):
        with open(table) as f:
            if any(line.split()[1].endswith(f":{port:04X}") and line.split()[3] == "0A"
                   for line in f.readlines()[1:]):
                return True
    return False


def send_live(*args, loops=5):
    """Starts ffmpeg sending stream.mp4 at its own pace to the output args
    give, repeated loops more times, then ending by itself; -1: for ever."""
    return subprocess.Popen(["ffmpeg", "-nostdin", "-loglevel", "error", "-re",
                             "-stream_loop", str(loops),
                             "-i", fixture("stream.mp4"), "-c", "copy", *args])


def mixed_playlist(test, playable, refusing, live=False):
    """The address of stream.mp4's playlist on the server playable, whose
    first segment comes from there, the rest from the server refusing. Live,
    slow_stream.mp4's (two frames a segment), which grows at each reload
    (see send_live), and only its second segment is refused."""
    folder = tempfile.mkdtemp(dir=FIXTURES)
    test.addCleanup(shutil.rmtree, folder)
    hls = "slow_hls" if live else "hls"
    with open(fixture(f"{hls}/index.m3u8")) as f:
        lines = f.read().split("\n")
    segments = [i for i, line in enumerate(lines) if line.endswith(".ts")]
    refused = segments[1:2] if live else segments[1:]
    for i in segments:
        lines[i] = f"{refusing if i in refused else playable}/{hls}/{lines[i]}"
    with open(os.path.join(folder, "mixed.m3u8"), "w") as f:
        f.write("\n".join(lines))
    name = os.path.basename(folder)
    return f"{playable}/live/{name}/{name}/mixed.m3u8" if live else f"{playable}/{name}/mixed.m3u8"


@contextlib.contextmanager
def sending_once(test, listened, *args, loops=5):
    """While in it, send_live(*args) starts once listened() holds (charplay
    has bound its socket), however long that takes."""
    ended = threading.Event()

    def send_once_listened_to():
        if wait_until(lambda: listened() or ended.is_set(), 120, 0.01) and not ended.is_set():
            test.addCleanup(send_live(*args, loops=loops).kill)
    waiter = threading.Thread(target=send_once_listened_to)
    waiter.start()
    try:
        yield
    finally:
        ended.set()
        waiter.join()


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
    variables env adds, and end_of_line is what ends the failure message.
    What the build checks of HTTPS: checks_https, whether it refuses a
    server it cannot trust, and then untrusted, what it says of the test
    CA's server, and trust, the variables that make it trust the test CA
    (None where there are none: the check is turned off instead)."""
    checks_https = True
    untrusted = "the server's certificate is not trusted"
    trust = None

    @classmethod
    def setUpClass(cls):
        cls.http = serve(FIXTURES)
        cls.https = serve(FIXTURES, "IP:127.0.0.1")
        # A certificate for another host than the one asked for.
        cls.https_elsewhere = serve(FIXTURES, "DNS:elsewhere.invalid")
        # For the address 0177.0.0.1 would be if its parts were decimal.
        cls.https_177 = serve(FIXTURES, "IP:177.0.0.1")

    def trusted(self):
        return dict(self.trust) if self.trust is not None else dict(CHARPLAY_TLS_VERIFY="0")

    def assert_plays_as_the_file(self, address, name, **env):
        played, local = self.play(address, **env), self.play(fixture(name))
        self.assertEqual((played.returncode, played.stderr), (0, b""))
        self.assertEqual(played.stdout, local.stdout)
        self.assertTrue(frames(local.stdout))

    def test_http_and_https_play_as_the_file_does(self):
        for base, env in ((self.http, {}), (self.https, self.trusted())):
            for path, name in (("clip.mp4", "clip.mp4"), ("hls/index.m3u8", "stream.mp4")):
                with self.subTest(base, path=path):
                    self.assert_plays_as_the_file(f"{base}/{path}", name, **env)

    def assert_refused(self, address, why, **env):
        result = self.play(address, **env)
        self.assertEqual((result.returncode, result.stdout),
                         (255, OPEN_FAILURE.encode() + self.end_of_line))
        self.assertRegex(result.stderr.decode(), f"^charplay: 127.0.0.1: [^\n]*{why}[^\n]*\n$")

    def test_https_refuses_a_server_it_cannot_trust_unless_told_not_to_check(self):
        if not self.checks_https:
            self.skipTest("this build checks no certificate")
        for path in ("clip.mp4", "hls/index.m3u8"):
            with self.subTest(path):
                self.assert_refused(f"{self.https}/{path}", self.untrusted)
        if self.trust is not None:
            self.assert_refused(f"{self.https_elsewhere}/clip.mp4", "for another host name",
                                **self.trust)
        # Segments too: the playlist's connections take none of the
        # capture's options.
        self.assert_plays_as_the_file(f"{self.https}/hls/index.m3u8", "stream.mp4",
                                      CHARPLAY_TLS_VERIFY="0")

    def test_an_address_with_no_host_is_refused(self):
        # Such an address reaches this machine, and no name could be checked:
        # any certificate the test CA signed would pass.
        if not self.checks_https:
            self.skipTest("this build checks no certificate")
        port = self.https_elsewhere.rsplit(":", 1)[1]
        result = self.play(f"https://:{port}/clip.mp4", **(self.trust or {}))
        self.assertEqual((result.returncode, result.stdout),
                         (255, OPEN_FAILURE.encode() + self.end_of_line))
        self.assertRegex(result.stderr.decode(),
                         "^charplay: the address names no host, so the server's certificate"
                         " cannot be checked against a name\r?\n$")

    def test_a_numeric_host_is_checked_as_the_address_it_reaches(self):
        # The resolver reads each of these as 127.0.0.1, as inet_aton does;
        # the certificate is for 127.0.0.1.
        if not self.checks_https:
            self.skipTest("this build checks no certificate")
        port = self.https.rsplit(":", 1)[1]
        for host in ("0177.0.0.1", "0x7f.1", "127.1", "2130706433"):
            with self.subTest(host):
                address = f"https://{host}:{port}/clip.mp4"
                if self.trust is None:
                    # The test CA is not trusted here: the refusal names 127.0.0.1.
                    self.assert_refused(address, self.untrusted)
                else:
                    self.assert_plays_as_the_file(address, "clip.mp4", **self.trust)
        if self.trust is not None:
            port = self.https_177.rsplit(":", 1)[1]
            self.assert_refused(f"https://0177.0.0.1:{port}/clip.mp4", "for another host name",
                                **self.trust)

    def test_each_hls_segment_is_checked(self):
        # The segments refused end playback as a cut would.
        if not self.checks_https or self.trust is None:
            self.skipTest("the test CA cannot be trusted here")
        played = self.play(mixed_playlist(self, self.https, self.https_elsewhere), **self.trust)
        got, all_frames = frames(played.stdout), frames(self.play(fixture("stream.mp4")).stdout)
        self.assertEqual(played.returncode, 0)
        self.assertTrue(0 < len(got) < len(all_frames), f"{len(got)} of {len(all_frames)}")
        self.assertEqual(got, all_frames[:len(got)])
        self.assertRegex(played.stderr.decode(), "^charplay: 127.0.0.1: [^\n]*another host name")

    def test_a_connection_cut_half_way_ends_as_a_file_does(self):
        played, whole = self.play(f"{self.http}/cut/clip.mp4"), self.play(fixture("clip.mp4"))
        self.assertEqual((played.returncode, played.stderr), (0, b""))
        got, all_frames = frames(played.stdout), frames(whole.stdout)
        self.assertTrue(0 < len(got) < len(all_frames), f"{len(got)} of {len(all_frames)}")
        self.assertEqual(got, all_frames[:len(got)])


    def test_a_live_hls_playlist_plays_as_it_grows_and_ends_with_it(self):
        # Its first request has one segment: every other frame comes from a
        # reload.
        self.assert_plays_as_the_file(f"{self.http}/live/{self.id()}/hls/index.m3u8",
                                      "stream.mp4")

    def test_an_mpeg_ts_feed_over_udp(self):
        # The feed repeats stream.mp4 from when charplay listens, however
        # long it takes to start; charplay ends five seconds after it stops,
        # as FFmpeg's timeout option says, which leaves the feed time to start.
        port = closed_port(socket.SOCK_DGRAM)
        with sending_once(self, lambda: udp_port_bound(port), "-f", "mpegts",
                          f"udp://127.0.0.1:{port}?pkt_size=1316"):
            played = self.play(f"udp://127.0.0.1:{port}?timeout=5000000")
        clip = self.play(fixture("stream.mp4")).stdout
        got = self.assert_most_of(played, clip * 6, len(frames(clip)) // 2)
        self.assertEqual(got[-1], frames(clip)[-1])

    def assert_most_of(self, played, whole, lost):
        """Status 0 and the frames of whole in order, but for at most lost:
        UDP may lose a packet on a loaded machine, and a frame or two with
        it. Returns the frames played."""
        self.assertEqual((played.returncode, played.stderr), (0, b""))
        got, all_frames = frames(played.stdout), frames(whole)
        same = difflib.SequenceMatcher(None, got, all_frames, autojunk=False).get_matching_blocks()
        self.assertLessEqual(len(got), len(all_frames))
        self.assertGreaterEqual(sum(block.size for block in same), len(all_frames) - lost,
                                f"{len(got)} frames played of {len(all_frames)}")
        return got

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
        self.assert_most_of(udp, whole.stdout, 3)

    def test_an_rtsp_server_gone_mid_stream_ends_as_a_cut_connection(self):
        # Over TCP: what goes missing is the end alone, not a packet lost on
        # the way on a loaded machine.
        server = RtspServer(fixture("live.mp4"), seconds=2)
        self.addCleanup(server.stop)
        played = self.play(server.address, OPENCV_FFMPEG_CAPTURE_OPTIONS="rtsp_transport;tcp")
        whole = self.play(fixture("live.mp4"))
        self.assertLess(self.assert_the_start_of(played, whole), len(frames(whole.stdout)))

    def test_a_refused_connection_fails_at_once(self):
        started = time.monotonic()
        result = self.play(f"http://127.0.0.1:{closed_port()}/clip.mp4")
        self.assertEqual((result.returncode, result.stdout, result.stderr),
                         (255, OPEN_FAILURE.encode() + self.end_of_line, b""))
        self.assertLess(time.monotonic() - started, AT_ONCE)
