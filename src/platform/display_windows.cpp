// A display on Windows: the desktop of the session, where it can show
// windows.

#include "platform/display.hpp"

#include <windows.h>

namespace charplay {

namespace {

// A service, or a remote shell without a desktop, runs in a window station
// that nobody sees.
bool window_station_visible()
{
    USEROBJECTFLAGS flags = {};
    HWINSTA station = GetProcessWindowStation();
    if (!station || !GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof flags, nullptr))
        return true; // cannot tell: let the window try
    return (flags.dwFlags & WSF_VISIBLE) != 0;
}

// The library's window is a plain top-level window; where none can be
// created (Wine without X, for one) its first frame would throw.
bool window_can_be_created()
{
    HWND probe = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    if (!probe)
        return false;
    DestroyWindow(probe);
    return true;
}

} // namespace

bool display_available(window_toolkit)
{
    return window_station_visible() && window_can_be_created();
}

// The desktop does not go away under a running program.
void display_watch_loss(void (*)()) {}

} // namespace charplay
