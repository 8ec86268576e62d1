#pragma once

#include <opencv2/videoio.hpp>

namespace charplay {

// Plays the open source in the console, and in the preview window where a
// display allows one, until it ends, Escape is pressed in the window or a
// stop is requested (a signal, an output that is gone); then releases the
// source and clears the console. The width, height and rate are those the
// source reported; a size of 0 means "unknown" and is set to the first
// frame's, so that the caller learns the size that played.
void play(cv::VideoCapture& capture, int& frame_width, int& frame_hight, double fps);

} // namespace charplay
