#pragma once

#include <opencv2/core.hpp>

namespace charplay {

// Shows the colour frame in the window "video", unless c has frozen it. The
// library makes the window, with its default settings, the first time.
void show_preview(const cv::Mat& video, int c);

} // namespace charplay
