#pragma once

// What the video library has to say at the end of a run: why it refused a
// server's certificate. It records that as it happens, in a pipe the
// program gives it; the program writes it out once its own last words on
// the terminal are said (the final clear would erase it), however the run
// ends.

namespace charplay {

// Gives the library its pipe; call before the first source opens.
void keep_library_words();

// Takes the run's last words: true for the first caller alone, on any
// thread or in a signal handler. The caller clears the console, where it
// must, and then says the library's words.
bool take_last_words();

// Takes the last words and writes what the library recorded to standard
// error; where another caller took them, does nothing.
void say_library_words();

// Writes what the library recorded to standard error with nothing but
// calls that are safe in a signal handler. On POSIX it never waits on the
// terminal: what it has no room for is left out. For the taker of the last
// words.
void say_library_words_at_once();

} // namespace charplay
