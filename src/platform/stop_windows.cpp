// Stop signals on Windows: Ctrl+C and Ctrl+Break in the console.

#include "platform/stop.hpp"

#include "platform/stop_handler.hpp"

#include <windows.h>

namespace charplay {

// The library gives no way to interrupt its read, and its own time-out is
// 30 s: rather than wait that out, end here, as playback's end would,
// without the exit routines that the decoder's threads could hold up.
void end_at_once(int signal)
{
    last_words_at_once();
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(128 + signal));
    wait_for_the_end();
}

// A Windows process has no signal to end by: its exit status says it.
void end_as_stopped() {}

void wait_for_the_end()
{
    for (;;)
        Sleep(INFINITE);
}

namespace {

// SIGINT's number, so that Ctrl+C ends charplay with 130 as on POSIX.
constexpr int interrupt = 2;

// Runs on a thread of its own. A second event, or the console closing, is
// left to the default handler, which ends the process; a second event once
// the console is cleared and the library's words said. Where the main
// thread waits in the library, only this thread ends the run: the console
// is cleared once and nothing follows.
BOOL WINAPI on_control(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        return FALSE;
    if (!record_stop_signal(interrupt)) {
        last_words_at_once();
        return FALSE;
    }
    if (claim_the_end())
        end_at_once(interrupt);
    return TRUE;
}

} // namespace

void catch_stop_signals()
{
    SetConsoleCtrlHandler(on_control, TRUE);
}

} // namespace charplay
