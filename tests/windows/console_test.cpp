// The Windows console layer, used as charplay uses it, its effects read back
// through the console API. Runs under Wine on Linux (see run_wine_test.sh).
//
//   console_test console LOG     title, cursor, clearing, the failure message
//   console_test font LOG        the font request (needs a console window)
//   console_test redirected      writes to a redirected output, for the caller
//                                to compare byte for byte
//
// Results go to LOG, one line per check, "finished" last: a console host
// that dies takes the exit status with it, so only the log is trusted.

#include "platform/console.hpp"

#include <cstdio>
#include <string>
#include <windows.h>

using namespace charplay;

namespace {

FILE* log_file = nullptr;
int failures = 0;

void check(bool ok, const char* what, const std::string& detail = "")
{
    std::fprintf(log_file, "%s %s%s%s\n", ok ? "ok" : "FAIL", what, detail.empty() ? "" : ": ",
                 detail.c_str());
    std::fflush(log_file);
    failures += ok ? 0 : 1;
}

HANDLE output()
{
    return GetStdHandle(STD_OUTPUT_HANDLE);
}

std::string hex(const std::wstring& text)
{
    std::string out;
    char unit[8];
    for (wchar_t c : text) {
        std::snprintf(unit, sizeof unit, "%04X ", static_cast<unsigned>(c));
        out += unit;
    }
    return out;
}

// The characters of the screen buffer's row y, trailing blanks dropped.
std::wstring row(SHORT y)
{
    CONSOLE_SCREEN_BUFFER_INFO info;
    GetConsoleScreenBufferInfo(output(), &info);
    const auto width = static_cast<DWORD>(info.dwSize.X);
    std::wstring cells(width, L' ');
    DWORD read = 0;
    ReadConsoleOutputCharacterW(output(), cells.data(), width, COORD{0, y}, &read);
    cells.resize(read);
    return cells.substr(0, cells.find_last_not_of(L' ') + 1);
}

COORD cursor()
{
    CONSOLE_SCREEN_BUFFER_INFO info;
    GetConsoleScreenBufferInfo(output(), &info);
    return info.dwCursorPosition;
}

bool buffer_is_blank()
{
    CONSOLE_SCREEN_BUFFER_INFO info;
    GetConsoleScreenBufferInfo(output(), &info);
    for (SHORT y = 0; y < info.dwSize.Y; ++y)
        if (!row(y).empty())
            return false;
    return true;
}

const std::wstring title = L"\u89C6\u9891\u8F6C\u5B57\u7B26\u753B";
const std::wstring open_failure = L"\u8F93\u5165\u5730\u5740\u9519\u8BEF\uFF01\uFF01";

void console_checks()
{
    for (UINT page : {936u, 65001u, 437u}) {
        SetConsoleOutputCP(page);
        SetConsoleCP(page);
        const std::string at = " (code page " + std::to_string(page) + ")";

        SetConsoleTitleW(L"");
        console_set_title();
        wchar_t read[64] = {};
        GetConsoleTitleW(read, 64);
        check(read == title, ("title" + at).c_str(), hex(read));

        console_clear();
        console_write_frame("line one\nline two\nline three\n");
        check(row(1) == L"line two", ("frame written" + at).c_str(), hex(row(1)));
        console_home();
        const COORD home = cursor();
        check(home.X == 0 && home.Y == 0, ("cursor home" + at).c_str(),
              std::to_string(home.X) + "," + std::to_string(home.Y));

        console_clear();
        const COORD cleared = cursor();
        check(buffer_is_blank(), ("cleared" + at).c_str());
        check(cleared.X == 0 && cleared.Y == 0, ("cursor after clearing" + at).c_str(),
              std::to_string(cleared.X) + "," + std::to_string(cleared.Y));

        console_report_open_failure();
        check(row(0) == open_failure, ("failure message" + at).c_str(), hex(row(0)));
        const COORD after = cursor();
        check(after.X == 0 && after.Y == 1, ("end of line after the message" + at).c_str(),
              std::to_string(after.X) + "," + std::to_string(after.Y));
        console_clear();
    }
}

void font_checks()
{
    static_assert(sizeof(CONSOLE_FONT_INFOEX) == 84, "the font request is 84 bytes");
    console_set_font();
    CONSOLE_FONT_INFOEX font = {};
    font.cbSize = sizeof font;
    // FALSE: the font of the current window size, the one that was asked for.
    const bool got = GetCurrentConsoleFontEx(output(), FALSE, &font) != 0;
    check(got && font.dwFontSize.Y == 7, "font cell 7 pixels high",
          std::to_string(font.dwFontSize.X) + " x " + std::to_string(font.dwFontSize.Y));
}

void redirected()
{
    // Everything charplay does to its console, into a file or pipe.
    keep_standard_streams_open();
    console_set_title();
    console_set_font();
    console_write_frame("ab\ncd\n");
    console_home();
    console_clear();
    console_report_open_failure();
}

} // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "redirected") {
        redirected();
        return 0;
    }
    if (argc < 3 || (mode != "console" && mode != "font"))
        return 2;
    log_file = std::fopen(argv[2], "w");
    if (!log_file)
        return 2;
    if (mode == "console")
        console_checks();
    else
        font_checks();
    std::fprintf(log_file, "finished, %d failed\n", failures);
    std::fclose(log_file);
    return failures ? 1 : 0;
}
