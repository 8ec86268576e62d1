#pragma once

#include <opencv2/videoio.hpp>
#include <string>

namespace charplay {

// Keeps the video library and its decoders from writing into the frames,
// and leaves out the back-ends that hang or talk on damaged files. Variables
// the user set still win.
void quiet_library();

// Opens path with any back-end, as the library would; an SDP file's RTP
// streams are allowed for it alone.
bool open_source(cv::VideoCapture& capture, const std::string& path);

// Runs the library's per-frame work (grey conversion, reduction) on the
// calling thread; the decoder keeps its own threads.
void use_one_thread();

} // namespace charplay
