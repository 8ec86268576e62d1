"""GStreamer's RTSP server on 127.0.0.1, serving the H.264 MP4 at PATH as
rtsp://127.0.0.1:PORT/clip; prints PORT. With SECONDS, the server goes away
that long after it began to send the stream, mid-stream: a client that
takes its time to ask for it still gets it. Runs under Debian's
python3, which has GStreamer's bindings (python3-gi).

    rtsp_server.py PATH [SECONDS]
"""
import os
import sys

import gi

gi.require_version("Gst", "1.0")
gi.require_version("GstRtspServer", "1.0")
from gi.repository import GLib, Gst, GstRtspServer  # noqa: E402

Gst.init(None)
server = GstRtspServer.RTSPServer()
server.set_address("127.0.0.1")
server.set_service("0")
factory = GstRtspServer.RTSPMediaFactory()
factory.set_launch(f"( filesrc location={sys.argv[1]} ! qtdemux ! h264parse"
                   " ! rtph264pay name=pay0 pt=96 config-interval=-1 )")
server.get_mount_points().add_factory("/clip", factory)
server.attach(None)


def go_away_once_sending(_pad, _info):
    GLib.timeout_add(int(float(sys.argv[2]) * 1000), lambda: os._exit(0))
    return Gst.PadProbeReturn.REMOVE


def watch_the_stream(_factory, media):
    pay = media.get_element().get_by_name("pay0")
    pay.get_static_pad("src").add_probe(Gst.PadProbeType.BUFFER, go_away_once_sending)


if len(sys.argv) > 2:
    factory.connect("media-configure", watch_the_stream)
print(server.get_bound_port(), flush=True)
GLib.MainLoop().run()
