// Stop signals on POSIX: SIGINT, SIGTERM and SIGHUP.

#include "platform/stop.hpp"

#include "platform/stop_handler.hpp"

#include <csignal>
#include <initializer_list>
#include <unistd.h>

namespace charplay {

namespace {

// Ends the process by the signal itself, its default action restored: a
// shell that waits for charplay then sees the interrupt and ends a loop
// it runs too (bash goes on after a child that merely exits with 130), and
// still shows 128 + signal. _exit, safe in a handler, gives that status
// where the signal does not end the process.
[[noreturn]] void die_by(int signal)
{
    struct sigaction fallback = {};
    fallback.sa_handler = SIG_DFL;
    sigaction(signal, &fallback, nullptr);
    raise(signal);
    _exit(128 + signal);
}

} // namespace

// The library gives no way to interrupt its read, and its own time-out is
// 30 s: rather than wait that out, end here, as playback's end would. The
// decoder's threads go with the process.
void end_at_once(int signal)
{
    last_words_at_once();
    die_by(signal);
}

void end_as_stopped()
{
    if (stop_signal() != 0)
        die_by(stop_signal());
}

void wait_for_the_end()
{
    for (;;)
        pause();
}

namespace {

// A second signal, of any kind, while the first is still being handled ends
// the process at once, as a signal in the library's wait does: the end
// sequence may be stuck on a terminal that no longer reads. SA_NODEFER lets
// it in even during the first one's handler.
void on_stop_signal(int signal)
{
    if (!record_stop_signal(signal))
        end_at_once(signal);
    if (claim_the_end())
        end_at_once(signal);
}

} // namespace

void catch_stop_signals()
{
    struct sigaction action = {};
    action.sa_handler = on_stop_signal;
    action.sa_flags = SA_NODEFER;
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

} // namespace charplay
