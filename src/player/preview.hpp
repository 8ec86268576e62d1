#pragma once

#include <opencv2/core.hpp>

// The preview window "video": whether it can be shown, the colour frames
// in it, and the wait in which its keys are read. The library creates it,
// with its default settings, when the first frame is shown after that
// frame's wait. Where the library's toolkit cannot load (the archive's GTK 3
// plugin without GTK installed), the first wait or show throws; from then on
// there is no window, and playback goes on in the console alone. Where the
// display goes away under the window, the toolkit ends the process: the
// console is then cleared, one line says why, and the exit status is 1.

namespace charplay {

// Whether a window can be shown here: a display that the library's toolkit
// can draw on.
bool preview_possible();

// Waits ms milliseconds for a key in the window and returns its code, or -1
// when the time ran out. Without a window only the time passes. The time is
// kept even when the library returns early (it does at once while it has no
// window yet); a stop request cuts it short. Clears window if the toolkit
// cannot load.
int preview_wait_key(int ms, bool& window);

// Shows the colour frame in the window, unless c has frozen it. Clears
// window if the toolkit cannot load.
void preview_show(const cv::Mat& video, int c, bool& window);

} // namespace charplay
