// Stop signals on Windows: Ctrl+C and Ctrl+Break in the console.

#include "platform/stop.hpp"

#include "platform/console.hpp"

#include <windows.h>

namespace charplay {

namespace {

// SIGINT's number, so that Ctrl+C ends charplay with 130 as on POSIX.
constexpr LONG interrupt = 2;

volatile LONG caught = 0;
volatile LONG in_library = 0;

// The library gives no way to interrupt its read, and its own time-out is
// 30 s: rather than wait that out, end here, as playback's end would,
// without the exit routines that the decoder's threads could hold up.
[[noreturn]] void end_at_once(LONG signal)
{
    console_clear_at_once();
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(128 + signal));
    for (;;)
        Sleep(INFINITE);
}

// Runs on a thread of its own. A second event, or the console closing, is
// left to the default handler, which ends the process.
BOOL WINAPI on_control(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        return FALSE;
    if (InterlockedCompareExchange(&caught, interrupt, 0) != 0)
        return FALSE;
    if (InterlockedCompareExchange(&in_library, 0, 0) != 0)
        end_at_once(interrupt);
    return TRUE;
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

void library_wait_begins()
{
    InterlockedExchange(&in_library, 1);
    if (caught != 0)
        end_at_once(caught);
}

void library_wait_ends()
{
    InterlockedExchange(&in_library, 0);
}

} // namespace charplay
