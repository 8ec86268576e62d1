// The console on Windows: the console API.

#include "console/console.hpp"
#include "console/texts.hpp"

#include <cstdlib>
#include <string>
#include <windows.h>

namespace {

// Why playback has to stop, set from the control handler: a signal number.
volatile LONG stop_signal = 0;
// Why the frames could not be written: a Windows error code.
DWORD output_error = 0;

HANDLE output()
{
    return GetStdHandle(STD_OUTPUT_HANDLE);
}

// Console calls fail on a redirected output; skipping them also keeps "cls"
// from writing a form feed into the stream.
bool on_console()
{
    DWORD mode = 0;
    return GetConsoleMode(output(), &mode) != 0;
}

std::wstring widen(const char* utf8)
{
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
    std::wstring wide(n > 0 ? n - 1 : 0, L'\0');
    if (n > 1)
        MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide.data(), n);
    return wide;
}

// Loops only on a partial write; a failed one is remembered so that
// playback ends.
void write_all(const char* p, size_t n)
{
    while (n > 0 && output_error == 0 && stop_signal == 0) {
        DWORD written = 0;
        const DWORD chunk = n > 0x40000000 ? 0x40000000 : static_cast<DWORD>(n);
        if (!WriteFile(output(), p, chunk, &written, nullptr) || written == 0) {
            const DWORD error = GetLastError();
            output_error = error ? error : ERROR_WRITE_FAULT;
            return;
        }
        p += written;
        n -= written;
    }
}

// Runs on a thread of its own. A second event, or the console closing, is
// left to the default handler, which ends the process.
BOOL WINAPI on_control(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        return FALSE;
    return InterlockedCompareExchange(&stop_signal, 2, 0) == 0;
}

} // namespace

// Standard handles that are missing stay missing on Windows: new files get
// handles of their own, never these.
void console_keep_streams_open() {}

void set_env_default(const char* name, const char* value)
{
    if (!std::getenv(name))
        _putenv_s(name, value);
}

void console_set_title()
{
    // The GBK bytes where the console reads GBK; elsewhere the wide call,
    // which reads right on any code page.
    if (GetConsoleOutputCP() == 936)
        SetConsoleTitleA(title_gbk);
    else
        SetConsoleTitleW(widen(title_utf8).c_str());
}

void console_set_font()
{
    CONSOLE_FONT_INFOEX zi = {};
    zi.cbSize = sizeof zi;
    zi.dwFontSize.X = 3;
    zi.dwFontSize.Y = 7;
    SetCurrentConsoleFontEx(output(), FALSE, &zi);
}

void console_write_frame(const std::string& out)
{
    write_all(out.data(), out.size());
}

void console_home()
{
    const COORD hao = {0, 0};
    SetConsoleCursorPosition(output(), hao);
}

void console_clear()
{
    if (on_console())
        std::system("cls");
}

void console_report_open_failure()
{
    // Like the title: GBK bytes to a GBK console, wide characters to any
    // other console, and to a file or pipe the system code page's bytes.
    if (on_console() && GetConsoleOutputCP() != 936) {
        const std::wstring text = widen(open_failure_utf8) + L"\r\n";
        DWORD written = 0;
        WriteConsoleW(output(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    const bool gbk = on_console() || GetACP() == 936;
    const std::string text = std::string(gbk ? open_failure_gbk : open_failure_utf8) + "\r\n";
    write_all(text.data(), text.size());
}

void console_catch_signals()
{
    SetConsoleCtrlHandler(on_control, TRUE);
}

bool console_stop_requested()
{
    return stop_signal != 0 || output_error != 0;
}

int console_exit_status()
{
    if (stop_signal != 0)
        return 128 + stop_signal;
    if (output_error == ERROR_BROKEN_PIPE || output_error == ERROR_NO_DATA)
        return 128 + 13; // as a POSIX reader that went away
    if (output_error != 0) {
        const std::string message =
            "charplay: cannot write the frames: error " + std::to_string(output_error) + "\r\n";
        DWORD written = 0;
        WriteFile(GetStdHandle(STD_ERROR_HANDLE), message.data(),
                  static_cast<DWORD>(message.size()), &written, nullptr);
        return 1;
    }
    return 0;
}

// The desktop is always there for a console program.
bool display_available()
{
    return true;
}
