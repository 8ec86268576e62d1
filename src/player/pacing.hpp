#pragma once

// The wait after each frame, in milliseconds: 1000 / int(fps) for rates of 1
// and above, as most players and the source's own timing expect; 1000 / fps
// rounded below 1; 40 (25 frames a second) when the rate is unknown, zero,
// negative or not finite. Never below 1, since the library's key wait takes
// 0 or less as "wait for a key forever".
int frame_wait(double fps);

// Waits ms milliseconds for a key in one of the library's windows and returns
// its code, or -1 when the time ran out. The time is kept even when the
// library returns early (it does at once while it has no window); a stop
// request cuts it short.
int wait_for_key(int ms);

// The same wait where no window can exist: only the time passes.
int wait_without_window(int ms);
