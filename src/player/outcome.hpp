#pragma once

// What the platform reports as cutting playback short means for the run:
// whether to stop, the exit status, and what the user is told.

namespace charplay {

// Whether playback has to stop: a caught stop signal, or an output the
// frames can no longer be written to.
bool stop_requested();

// Why playback stopped, as an exit status: 0 for nothing, 128 + the signal
// for a signal, 141 when the reader of the output went away (as if killed by
// SIGPIPE), 1 when writing failed otherwise.
int exit_status();

// When writing failed for another reason than a reader gone, says why in
// one line on standard error.
void report_output_failure();

} // namespace charplay
