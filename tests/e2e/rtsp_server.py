"""GStreamer's RTSP server on 127.0.0.1, serving the H.264 MP4 at PATH as
rtsp://127.0.0.1:PORT/clip; prints PORT. With SECONDS, the server goes away
that long after its first client came, mid-stream. Runs under Debian's
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
if len(sys.argv) > 2:
    server.connect("client-connected", lambda *_: GLib.timeout_add(
        int(float(sys.argv[2]) * 1000), lambda: os._exit(0)))
print(server.get_bound_port(), flush=True)
GLib.MainLoop().run()
