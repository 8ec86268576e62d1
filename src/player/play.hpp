#pragma once

#include <opencv2/videoio.hpp>

// Plays the open source in the console until it ends, then releases it and
// clears the console. The width, height and rate are those the source
// reported; a size of 0 means "unknown" and is taken from the first frame.
void play(cv::VideoCapture& capture, int frame_width, int frame_hight, double fps);
