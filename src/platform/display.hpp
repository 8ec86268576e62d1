#pragma once

namespace charplay {

// The toolkits the video library draws its windows with on POSIX: Qt 5 in
// Debian's build, GTK 3 in our portable archive, another elsewhere (Cocoa
// on macOS). Each needs a display of its own kind; Windows has one way to
// draw and ignores which.
enum window_toolkit { toolkit_qt, toolkit_gtk, toolkit_other };

// Whether a window of the video library can be shown here: a display that
// is set, answers, and is one the toolkit draws on. Another toolkit's
// window is tried: where it fails, playback goes on in the console alone.
bool display_available(window_toolkit toolkit);

// Where the display goes away under a window that is up, the toolkits end
// the process themselves: Qt through exit(1), GTK through Xlib's handler of
// a broken connection, which calls on_loss from here on instead. on_loss
// must not return. Call once the window is up (GTK sets its own handler
// when it opens the display).
void display_watch_loss(void (*on_loss)());

} // namespace charplay
