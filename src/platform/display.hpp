#pragma once

namespace charplay {

// The toolkits the video library draws its windows with on POSIX: Qt 5 in
// Debian's build, GTK 3 in our portable archive. Each needs a display of
// its own kind; Windows has one way to draw and ignores which.
enum window_toolkit { toolkit_qt, toolkit_gtk };

// Whether a window of the video library can be shown here: a display that
// is set, answers, and is one the toolkit draws on.
bool display_available(window_toolkit toolkit);

} // namespace charplay
