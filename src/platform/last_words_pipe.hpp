#pragma once

// Between what both platforms share of the library's last words
// (last_words.cpp) and each platform's pipe.

namespace charplay {

// Names the pipe's write end to the library (a descriptor, or a handle's
// value), or where value is null, tells it there is none.
void name_library_pipe(const char* value);

} // namespace charplay
