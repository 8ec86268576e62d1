#pragma once

// What can cut playback short: a stop signal (Ctrl+C, or a closed console
// window on Windows), or an output the frames can no longer be written to.
// This records what happened; the player decides what it means.

namespace charplay {

// From here on, an interrupt, a termination or a hang-up asks playback to
// stop instead of ending the process; a second one ends it at once.
void catch_stop_signals();

// The signal that asked playback to stop, or 0.
int stop_signal();

// After playback stopped for a stop signal, ends the process by that
// signal where the system has them (POSIX), so that the shell sees an
// interrupt and not a program that chose to exit; elsewhere it returns.
void end_as_stopped();

// Around a library call that can wait on a silent source (a frame's read
// from a stalled stream waits out the library's own 30-second time-out).
// While it is in flight, a stop signal cannot wait for playback to notice:
// it clears the console as playback's end does and ends the process at
// once, with the signal's exit status. One that came just before counts.
void library_wait_begins();
void library_wait_ends();

// Records that the frames cannot be written: the reader went away (gone),
// or writing failed for the reason why. The first failure is kept.
void stop_for_output(bool gone, const char* why);

// Whether the frames could not be written.
bool output_failed();

// Whether the reader of the output went away.
bool output_gone();

// Why writing failed, or "" where it did not, or the reader went away.
const char* output_error();

} // namespace charplay
