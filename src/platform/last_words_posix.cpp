// The library's last words on POSIX: a pipe, its descriptor given in the
// environment.

#include "platform/last_words.hpp"

#include "platform/last_words_pipe.hpp"
#include "platform/write_at_once_posix.hpp"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace charplay {

namespace {

// The end the words are read from, or -1.
int words = -1;

// Writes size bytes to standard error, waiting for the terminal.
bool write_whole(const char* bytes, size_t size)
{
    for (size_t done = 0; done < size;) {
        const ssize_t n = write(STDERR_FILENO, bytes + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// Copies what the pipe holds to standard error; at once, without waiting
// on the terminal.
void copy_words(bool at_once)
{
    char buffer[512];
    ssize_t got = 0;
    while (words >= 0 && (got = read(words, buffer, sizeof buffer)) > 0) {
        const size_t size = static_cast<size_t>(got);
        if (!(at_once ? write_at_once(STDERR_FILENO, buffer, size) : write_whole(buffer, size)))
            return;
    }
}

} // namespace

void keep_library_words()
{
    // Neither end blocks: the library's write fails rather than wait, and
    // reading stops where the pipe is empty. A run that cannot have the
    // pipe has the words at once, not a name left in the environment.
    int ends[2];
    if (pipe(ends) != 0) {
        name_library_pipe(nullptr);
        return;
    }
    for (int end : ends) {
        fcntl(end, F_SETFD, FD_CLOEXEC);
        fcntl(end, F_SETFL, O_NONBLOCK);
    }
    words = ends[0];
    name_library_pipe(std::to_string(ends[1]).c_str());
}

void say_library_words()
{
    if (take_last_words())
        copy_words(false);
}

void say_library_words_at_once()
{
    copy_words(true);
}

} // namespace charplay
