#pragma once

// The keys of the preview window, and the wait in which they are read.

namespace charplay {

// As the library's key wait returns them.
constexpr int key_freeze = '1'; // stop refreshing the window
constexpr int key_resume = '0'; // refresh it again
constexpr int key_escape = 27;  // end playback

// Waits ms milliseconds for a key in one of the library's windows and returns
// its code, or -1 when the time ran out. Without a window only the time
// passes. The time is kept even when the library returns early (it does at
// once while it has no window yet); a stop request cuts it short.
int wait_for_key(int ms, bool window);

// Updates the preview flag c from key b: 1 frozen, 0 refreshed.
void apply_key(int b, int& c);

// Whether key b ends playback.
bool ends_playback(int b);

} // namespace charplay
