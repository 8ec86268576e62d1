#include "platform/stop.hpp"

#include <cstdio>
#include <string>

namespace charplay {

namespace {

// SIGPIPE's number on POSIX; Windows has no such signal, but a reader that
// went away ends charplay with the same status there.
constexpr int broken_pipe = 13;

bool output_gone = false;
std::string output_error;

} // namespace

void stop_for_output(bool gone, const char* why)
{
    if (output_failed())
        return;
    output_gone = gone;
    output_error = why;
}

bool output_failed()
{
    return output_gone || !output_error.empty();
}

bool stop_requested()
{
    return stop_signal() != 0 || output_failed();
}

int exit_status()
{
    if (stop_signal() != 0)
        return 128 + stop_signal();
    if (output_gone)
        return 128 + broken_pipe;
    return output_error.empty() ? 0 : 1;
}

void report_output_failure()
{
    if (exit_status() == 1)
        std::fprintf(stderr, "charplay: cannot write the frames: %s\n", output_error.c_str());
}

} // namespace charplay
