// What both platforms share of the library's last words.

#include "platform/last_words.hpp"

#include "platform/environment.hpp"
#include "platform/last_words_pipe.hpp"

#include <atomic>

namespace charplay {

namespace {

std::atomic_flag taken = ATOMIC_FLAG_INIT;

} // namespace

void name_library_pipe(const char* value)
{
    // Where our FFmpeg's TLS layer records a refusal.
    set_env("CHARPLAY_REFUSAL_PIPE", value);
}

bool take_last_words()
{
    return !taken.test_and_set();
}

} // namespace charplay
