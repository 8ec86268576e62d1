#pragma once

// Writing where a signal handler may, on POSIX, without waiting on the
// terminal.

#include <cstddef>
#include <poll.h>
#include <unistd.h>

namespace charplay {

// Writes size bytes to fd, one at a time while fd has room for it (which a
// write then takes whole), and stops at the first it has none for: calls
// that are safe in a signal handler, and none that waits. O_NONBLOCK would
// do the same, but on the file description the shell shares. False where
// it stopped short.
inline bool write_at_once(int fd, const char* bytes, size_t size)
{
    for (size_t i = 0; i < size; ++i) {
        pollfd output = {fd, POLLOUT, 0};
        if (poll(&output, 1, 0) != 1 || (output.revents & POLLOUT) == 0 ||
            write(fd, bytes + i, 1) != 1)
            return false;
    }
    return true;
}

} // namespace charplay
