#pragma once

// The time between frames.

namespace charplay {

// The wait after each frame, in milliseconds: 1000 / int(fps) for rates of 1
// and above; 1000 / fps rounded from 0.1 up to 1 (slideshows); 40 (25
// frames a second) when the rate is unknown, below 0.1, zero, negative or
// not finite. Never below 1, since the library's key wait takes 0 or less as
// "wait for a key forever". The same wait after every frame, not a clock
// that follows the frames' timestamps: playback runs a little slower than
// the video's own time, by what reading and drawing a frame take.
int frame_wait(double fps);

// Waits ms milliseconds in slices, each handed to wait_once(at most so
// many ms), until the time is up, a stop is requested or wait_once returns
// something other than -1, which is returned.
int wait_in_slices(int ms, int (*wait_once)(int));

} // namespace charplay
