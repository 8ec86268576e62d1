#pragma once

#include <opencv2/core.hpp>

// Keys read in the preview window, as the library's key wait returns them.
constexpr int key_freeze = 49; // '1': stop refreshing the window
constexpr int key_resume = 48; // '0': refresh it again
constexpr int key_escape = 27; // end playback

// Updates the preview flag c from key b: 1 frozen, 0 refreshed.
void apply_key(int b, int& c);

// Shows the colour frame in the window "video", unless c has frozen it. The
// library makes the window, with its default settings, the first time.
void show_preview(const cv::Mat& video, int c);
