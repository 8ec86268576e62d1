#pragma once

// What the keys of the preview window mean.

namespace charplay {

// As the library's key wait returns them.
constexpr int key_freeze = '1'; // stop refreshing the window
constexpr int key_resume = '0'; // refresh it again
constexpr int key_escape = 27;  // end playback

// Updates the preview flag c from key b: 1 frozen, 0 refreshed.
void apply_key(int b, int& c);

// Whether key b ends playback.
bool ends_playback(int b);

} // namespace charplay
