#include "player/library.hpp"

#include "platform/environment.hpp"

#include <cstdlib>
#include <opencv2/core/utility.hpp>
#include <opencv2/core/utils/logger.hpp>

namespace charplay {

void quiet_library()
{
    // A path that does not open, or a damaged file, makes the library and
    // its decoders explain themselves at length; the failure message says
    // enough.
    if (!std::getenv("OPENCV_LOG_LEVEL"))
        cv::utils::logging::setLogLevel(cv::utils::logging::LOG_LEVEL_SILENT);
    set_env_default("OPENCV_FFMPEG_LOGLEVEL", "-8"); // AV_LOG_QUIET
    // Qt's messages (a display that broke, a session type it ignores) would
    // land in the middle of the frames.
    set_env_default("QT_LOGGING_RULES", "*=false");
    // OpenCV 4.6's GStreamer back-end waits forever on some files it cannot
    // play (random bytes among them); FFmpeg, tried first, plays what it would.
    set_env_default("OPENCV_VIDEOIO_PRIORITY_GSTREAMER", "0");
    // Its own AVI reader, tried when FFmpeg gives up, prints its complaints
    // straight to standard error; FFmpeg reads any AVI it could.
    set_env_default("OPENCV_VIDEOIO_PRIORITY_CV_MJPEG", "0");
    // The gPhoto2 camera back-end, tried on every path FFmpeg gives up on,
    // loads some 240 camera drivers first (a third of a second), and crashes
    // where memory runs short.
    set_env_default("OPENCV_VIDEOIO_PRIORITY_GPHOTO2", "0");
}

bool open_source(cv::VideoCapture& capture, const std::string& path)
{
    // FFmpeg opens the RTP streams an SDP file describes only where the
    // capture's protocol whitelist allows them, and OpenCV takes a capture's
    // options from this variable at each open (they replace its own, RTSP's
    // included): set for an .sdp path alone, and never over the user's.
    static const char* const options = "OPENCV_FFMPEG_CAPTURE_OPTIONS";
    static const bool users_own = std::getenv(options) != nullptr;
    const bool sdp = path.size() > 4 && path.compare(path.size() - 4, 4, ".sdp") == 0;
    if (!users_own)
        set_env(options, sdp ? "protocol_whitelist;file,udp,rtp,crypto" : nullptr);
    return capture.open(path, cv::CAP_ANY);
}

void use_one_thread()
{
    // A frame's conversion and reduction take well under a millisecond;
    // handed to the library's worker threads, they would cost more CPU in
    // the workers' spinning afterwards than they save.
    cv::setNumThreads(1);
}

} // namespace charplay
