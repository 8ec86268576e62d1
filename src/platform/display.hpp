#pragma once

namespace charplay {

// Whether a window of the video library can be shown here: a display that
// is set and answers.
bool display_available();

} // namespace charplay
