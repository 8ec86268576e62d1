// Stop signals on Windows: Ctrl+C and Ctrl+Break in the console.

#include "platform/stop.hpp"

#include <windows.h>

namespace charplay {

namespace {

// SIGINT's number, so that Ctrl+C ends charplay with 130 as on POSIX.
constexpr LONG interrupt = 2;

volatile LONG caught = 0;

// Runs on a thread of its own. A second event, or the console closing, is
// left to the default handler, which ends the process.
BOOL WINAPI on_control(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        return FALSE;
    return InterlockedCompareExchange(&caught, interrupt, 0) == 0;
}

} // namespace

void catch_stop_signals()
{
    SetConsoleCtrlHandler(on_control, TRUE);
}

int stop_signal()
{
    return static_cast<int>(caught);
}

} // namespace charplay
