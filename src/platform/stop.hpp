#pragma once

// Why playback has to stop before the video ends, and the exit status that
// follows: a signal (Ctrl+C, or a closed console window on Windows), or an
// output the frames can no longer be written to.

namespace charplay {

// From here on, an interrupt, a termination or a hang-up asks playback to
// stop instead of ending the process; a second one ends it at once.
void catch_stop_signals();

// The signal that asked playback to stop, or 0.
int stop_signal();

// Around a library call that can wait on a silent source (a frame's read
// from a stalled stream waits out the library's own 30-second time-out).
// While it is in flight, a stop signal cannot wait for playback to notice:
// it clears the console as playback's end does and ends the process at
// once, with the signal's exit status. One that came just before counts.
void library_wait_begins();
void library_wait_ends();

// Records that the frames cannot be written: the reader went away (gone),
// or writing failed for the reason why.
void stop_for_output(bool gone, const char* why);

// Whether the frames could not be written.
bool output_failed();

// Whether playback has to stop: a caught signal, or a failed output.
bool stop_requested();

// Why playback stopped, as an exit status: 0 for nothing, 128 + the signal
// for a signal, 141 when the reader of the output went away (as if killed by
// SIGPIPE), 1 when writing failed otherwise.
int exit_status();

// When the exit status is 1 for a failed write, says why in one line on
// standard error.
void report_output_failure();

} // namespace charplay
