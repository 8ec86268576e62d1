// The console on Windows: the console API.

#include "platform/console.hpp"
#include "platform/stop.hpp"
#include "platform/texts.hpp"

#include <cstdlib>
#include <string>
#include <windows.h>

namespace charplay {

namespace {

bool frame_written = false;

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
    std::wstring wide(n > 0 ? static_cast<size_t>(n - 1) : 0, L'\0');
    if (n > 1)
        MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide.data(), n);
    return wide;
}

// The system's own text for an error, on one line, as strerror gives it.
std::string error_text(DWORD error)
{
    char text[512] = {};
    const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, error, 0, text, sizeof text, nullptr);
    std::string line(text, n);
    const size_t end = line.find_last_not_of(" .\r\n");
    if (end == std::string::npos)
        return "error " + std::to_string(error);
    line.erase(end + 1);
    for (char& c : line)
        if (c == '\r' || c == '\n')
            c = ' ';
    return line;
}

// Loops only on a partial write; a failed one stops playback. As on POSIX,
// a frame gives up once a stop is requested (a reader that stopped reading
// would block it forever), while other texts still go out.
void write_all(const char* p, size_t n, bool frame = false)
{
    while (n > 0 && !output_failed() && !(frame && stop_signal() != 0)) {
        DWORD written = 0;
        const DWORD chunk = n > 0x40000000 ? 0x40000000 : static_cast<DWORD>(n);
        if (!WriteFile(output(), p, chunk, &written, nullptr) || written == 0) {
            const DWORD error = GetLastError();
            const bool gone = error == ERROR_BROKEN_PIPE || error == ERROR_NO_DATA;
            stop_for_output(gone, error_text(error ? error : ERROR_WRITE_FAULT).c_str());
            return;
        }
        p += written;
        n -= written;
    }
}

} // namespace

// Standard handles that are missing stay missing on Windows: new files get
// handles of their own, never these.
void keep_standard_streams_open() {}

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
    frame_written = true;
    write_all(out.data(), out.size(), true);
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

// Called on the console control handler's thread, while the main one
// waits in the library.
void console_clear_at_once()
{
    console_clear();
}

bool console_frame_written()
{
    return frame_written;
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

bool console_window_size(int& columns, int& rows)
{
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleScreenBufferInfo(output(), &info))
        return false;
    columns = info.srWindow.Right - info.srWindow.Left + 1;
    rows = info.srWindow.Bottom - info.srWindow.Top + 1;
    return true;
}

} // namespace charplay
