#pragma once

namespace charplay {

// After playback, when the console's window is smaller than frames of
// this many columns need (and 91 rows: 90 lines, each ended by a line feed,
// scroll a window of 90 by one), says so in one line on standard error, with
// what helps. Measured at the end, so a window enlarged meanwhile is not
// told off. Nothing when the output is no console, no frame was drawn or
// the frames' width is not known.
void hint_if_console_too_small(int columns);

} // namespace charplay
