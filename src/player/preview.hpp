#pragma once

#include <opencv2/core.hpp>

namespace charplay {

// Opens the window "video" with the library's default settings. False when
// the library cannot draw windows here: a build whose toolkit is a plugin
// that did not load (no GTK installed) has none.
bool open_preview();

// Shows the colour frame in the window "video", unless c has frozen it.
void show_preview(const cv::Mat& video, int c);

} // namespace charplay
