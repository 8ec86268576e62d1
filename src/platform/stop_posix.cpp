// Stop signals on POSIX: SIGINT, SIGTERM and SIGHUP.

#include "platform/stop.hpp"

#include "platform/console.hpp"

#include <csignal>
#include <initializer_list>
#include <unistd.h>

namespace charplay {

namespace {

volatile std::sig_atomic_t caught = 0;
volatile std::sig_atomic_t in_library = 0;

// The library gives no way to interrupt its read, and its own time-out is
// 30 s: rather than wait that out, end here, as playback's end would.
// _exit, unlike exit, is safe in a handler, and the decoder's threads go
// with the process.
[[noreturn]] void end_at_once(int signal)
{
    console_clear_at_once();
    _exit(128 + signal);
}

// A second signal while the first is being handled ends the process at once:
// the end sequence may be stuck on a terminal that no longer reads.
void on_stop_signal(int signal)
{
    if (caught != 0) {
        std::signal(signal, SIG_DFL);
        std::raise(signal);
    }
    caught = signal;
    if (in_library != 0)
        end_at_once(signal);
}

} // namespace

void catch_stop_signals()
{
    struct sigaction action = {};
    action.sa_handler = on_stop_signal;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a write or a wait in progress returns at once. A signal
    // ignored from the start (nohup, a background job) stays ignored.
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction previous = {};
        if (sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler != SIG_IGN)
            sigaction(signal, &action, nullptr);
    }
    // A reader that went away shows as EPIPE from write, which ends playback.
    std::signal(SIGPIPE, SIG_IGN);
}

int stop_signal()
{
    return caught;
}

void library_wait_begins()
{
    in_library = 1;
    if (caught != 0)
        end_at_once(caught);
}

void library_wait_ends()
{
    in_library = 0;
}

} // namespace charplay
