#include "platform/stop.hpp"

#include "platform/stop_handler.hpp"

#include "platform/console.hpp"
#include "platform/last_words.hpp"

#include <atomic>
#include <string>

namespace charplay {

namespace {

bool failed = false;
bool gone = false;
std::string error;

static_assert(std::atomic<int>::is_always_lock_free, "a signal handler needs lock-free flags");
std::atomic<int> caught{0};

// The library's wait: outside it, in progress, or ended from a handler.
enum library_state { outside, inside, ending };
std::atomic<int> in_library{outside};

} // namespace

bool record_stop_signal(int signal)
{
    int none = 0;
    return caught.compare_exchange_strong(none, signal);
}

bool claim_the_end()
{
    int expected = inside;
    return in_library.compare_exchange_strong(expected, ending);
}

int stop_signal()
{
    return caught.load();
}

void library_wait_begins()
{
    in_library.store(inside);
    const int signal = caught.load();
    if (signal == 0)
        return;
    if (claim_the_end())
        end_at_once(signal);
    wait_for_the_end();
}

void library_wait_ends()
{
    int expected = inside;
    if (!in_library.compare_exchange_strong(expected, outside))
        wait_for_the_end();
}

void last_words_at_once()
{
    if (!take_last_words())
        return;
    console_clear_at_once();
    say_library_words_at_once();
}

void stop_for_output(bool reader_gone, const char* why)
{
    if (output_failed())
        return;
    failed = true;
    gone = reader_gone;
    error = reader_gone ? "" : why;
}

bool output_failed()
{
    return failed;
}

bool output_gone()
{
    return gone;
}

const char* output_error()
{
    return error.c_str();
}

} // namespace charplay
