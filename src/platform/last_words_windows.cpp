// The library's last words on Windows: an anonymous pipe, its write end's
// handle value given in the environment.

#include "platform/last_words.hpp"

#include "platform/last_words_pipe.hpp"

#include <cstdint>
#include <string>
#include <windows.h>

namespace charplay {

namespace {

// The end the words are read from, or null.
HANDLE words = nullptr;

// Writes size bytes to standard error, each line ended as the program's
// own are, in \r\n.
void write_lines(const char* text, DWORD size)
{
    const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    DWORD written = 0;
    for (DWORD start = 0, i = 0; i <= size; ++i)
        if (i == size || text[i] == '\n') {
            WriteFile(error, text + start, i - start, &written, nullptr);
            if (i < size)
                WriteFile(error, "\r\n", 2, &written, nullptr);
            start = i + 1;
        }
}

// Copies what the pipe holds to standard error; it never waits for more.
void copy_words()
{
    char buffer[512];
    DWORD available = 0;
    DWORD got = 0;
    while (words && PeekNamedPipe(words, nullptr, 0, nullptr, &available, nullptr) &&
           available > 0 &&
           ReadFile(words, buffer, available < sizeof buffer ? available : sizeof buffer, &got,
                    nullptr) &&
           got > 0)
        write_lines(buffer, got);
}

} // namespace

void keep_library_words()
{
    // A run that cannot have the pipe has the words at once, not a name
    // left in the environment.
    HANDLE read_end = nullptr;
    HANDLE write_end = nullptr;
    if (!CreatePipe(&read_end, &write_end, nullptr, 4096)) {
        name_library_pipe(nullptr);
        return;
    }
    words = read_end;
    name_library_pipe(std::to_string(reinterpret_cast<std::uintptr_t>(write_end)).c_str());
}

void say_library_words()
{
    if (take_last_words())
        copy_words();
}

void say_library_words_at_once()
{
    copy_words();
}

} // namespace charplay
