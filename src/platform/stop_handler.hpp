#pragma once

// Between the flags both platforms share (stop.cpp) and each platform's
// handler of stop signals, which may run on any thread. The flags are
// lock-free atomics, sequentially consistent: the handler stores the signal
// and then looks whether the library's wait is in progress, while the main
// thread stores that it is and then looks for a signal, and neither may
// miss the other.

namespace charplay {

// Records signal as the one that asked playback to stop; false where one
// already had.
bool record_stop_signal(int signal);

// Whoever takes the library's wait from in progress to ending ends the run;
// false where it was not in progress, or the other side took it.
bool claim_the_end();

// Clears the console and says the library's words, unless the run's last
// words were taken already: safe in a signal handler.
void last_words_at_once();

// Each platform's: the last words at once, then the end of the process, at
// once, with the signal's exit status.
[[noreturn]] void end_at_once(int signal);

// Each platform's: waits, while another thread ends the process.
[[noreturn]] void wait_for_the_end();

} // namespace charplay
