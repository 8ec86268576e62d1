#include "player/outcome.hpp"

#include "platform/stop.hpp"

#include <cstdio>

namespace charplay {

namespace {

// SIGPIPE's number on POSIX; Windows has no such signal, but a reader that
// went away ends charplay with the same status there.
constexpr int broken_pipe = 13;

} // namespace

bool stop_requested()
{
    return stop_signal() != 0 || output_failed();
}

int exit_status()
{
    if (stop_signal() != 0)
        return 128 + stop_signal();
    if (output_gone())
        return 128 + broken_pipe;
    return output_failed() ? 1 : 0;
}

void report_output_failure()
{
    if (exit_status() == 1)
        std::fprintf(stderr, "charplay: cannot write the frames: %s\n", output_error());
}

} // namespace charplay
