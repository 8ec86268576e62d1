// The console on POSIX: a terminal driven by VT escape sequences.

#include "platform/console.hpp"
#include "platform/stop.hpp"
#include "platform/texts.hpp"

#include <cerrno>
#include <clocale>
#include <cstring>
#include <fcntl.h>
#include <initializer_list>
#include <langinfo.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <string>
#include <unistd.h>

namespace charplay {

namespace {

// OSC 0: set the window title; ended by BEL.
constexpr char osc_title[] = "\x1b]0;";
constexpr char bel[] = "\x07";
// CUP without arguments: cursor to row 1, column 1.
constexpr char cursor_home[] = "\x1b[H";
// ED 2 then ED 3: erase the screen, then the scroll-back.
constexpr char erase_all[] = "\x1b[2J\x1b[3J";

bool frame_written = false;

// Read once, before any signal is caught: a signal handler clears only
// what was known to be a terminal.
const bool tty = isatty(STDOUT_FILENO) == 1;

bool on_terminal()
{
    return tty;
}

// Loops only on a partial write; a failed one stops playback. A frame gives
// up once a stop is requested, even after part of it went out (a reader
// that stopped reading would block it forever); the end sequence's own
// writes still go out.
void write_all(const char* p, size_t n, bool frame = false)
{
    while (n > 0 && !output_failed() && !(frame && stop_signal() != 0)) {
        const ssize_t w = write(STDOUT_FILENO, p, n);
        if (w > 0) {
            p += w;
            n -= static_cast<size_t>(w);
        } else if (w < 0 && errno == EINTR) {
            continue;
        } else if (w < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            // A non-blocking output: wait until it takes more, or a signal.
            pollfd output = {STDOUT_FILENO, POLLOUT, 0};
            poll(&output, 1, -1);
        } else {
            const int error = w < 0 ? errno : EIO;
            stop_for_output(error == EPIPE, std::strerror(error));
        }
    }
}

void write_all(const std::string& text)
{
    write_all(text.data(), text.size());
}

// The user's locale decides the bytes of our two texts: GBK where its
// character set is GBK or GB18030 (which extends GBK), UTF-8 elsewhere.
bool locale_is_gbk()
{
    const std::string previous = std::setlocale(LC_CTYPE, nullptr);
    std::setlocale(LC_CTYPE, "");
    const std::string codeset = nl_langinfo(CODESET);
    std::setlocale(LC_CTYPE, previous.c_str());
    return codeset == "GBK" || codeset == "GB18030";
}

} // namespace

void keep_standard_streams_open()
{
    // A closed standard stream would hand its number to the next file the
    // libraries open, and frames would go into it. /dev/null holds the place;
    // a closed output is then reported at the first frame.
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        const int null = open("/dev/null", O_RDWR);
        if (null >= 0 && null != fd) {
            dup2(null, fd);
            close(null);
        }
        if (fd == STDOUT_FILENO)
            stop_for_output(false, std::strerror(EBADF));
    }
}

void console_set_title()
{
    if (on_terminal())
        write_all(std::string(osc_title) + (locale_is_gbk() ? title_gbk : title_utf8) + bel);
}

// A terminal's font belongs to the terminal; no sequence sets it.
void console_set_font() {}

void console_write_frame(const std::string& out)
{
    frame_written = true;
    write_all(out.data(), out.size(), true);
}

void console_home()
{
    if (on_terminal())
        write_all(cursor_home, sizeof cursor_home - 1);
}

void console_clear()
{
    if (on_terminal())
        write_all(std::string(cursor_home) + erase_all);
}

void console_clear_at_once()
{
    // Never waits on the terminal: a byte goes out only while the terminal
    // has room for it, which a write then takes whole. O_NONBLOCK would do
    // the same, but on the file description the shell shares.
    if (!on_terminal())
        return;
    for (const char* part : {cursor_home, erase_all})
        for (const char* p = part; *p != '\0'; ++p) {
            pollfd output = {STDOUT_FILENO, POLLOUT, 0};
            if (poll(&output, 1, 0) != 1 || (output.revents & POLLOUT) == 0 ||
                write(STDOUT_FILENO, p, 1) != 1)
                return;
        }
}

bool console_frame_written()
{
    return frame_written;
}

void console_report_open_failure()
{
    write_all(std::string(locale_is_gbk() ? open_failure_gbk : open_failure_utf8) + "\n");
}

bool console_window_size(int& columns, int& rows)
{
    winsize size = {};
    if (!on_terminal() || ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) != 0 || size.ws_col == 0)
        return false;
    columns = size.ws_col;
    rows = size.ws_row;
    return true;
}

} // namespace charplay
