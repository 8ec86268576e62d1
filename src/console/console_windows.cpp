// The console on Windows: the console API.

#include "console/console.hpp"
#include "console/texts.hpp"

#include <cstdlib>
#include <string>
#include <windows.h>

namespace {

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

// Loops only on a partial write; a failing output ends the attempt.
void write_all(const char* p, size_t n)
{
    while (n > 0) {
        DWORD written = 0;
        const DWORD chunk = n > 0x40000000 ? 0x40000000 : static_cast<DWORD>(n);
        if (!WriteFile(output(), p, chunk, &written, nullptr) || written == 0)
            return;
        p += written;
        n -= written;
    }
}

} // namespace

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

// The desktop is always there for a console program.
bool display_available()
{
    return true;
}
