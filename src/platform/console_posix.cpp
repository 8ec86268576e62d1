// The console on POSIX: a terminal driven by VT escape sequences.

#include "platform/console.hpp"
#include "platform/stop.hpp"
#include "platform/texts.hpp"
#include "platform/write_at_once_posix.hpp"

#include <cerrno>
#include <clocale>
#include <cstring>
#include <fcntl.h>
#include <initializer_list>
#include <langinfo.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/uio.h>
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
// DEC private mode 2026 set: a synchronized update begins; the terminal
// keeps showing its last picture until the update ends.
constexpr char begin_update[] = "\x1b[?2026h";
// DEC private mode 2026 reset: the update ends; the terminal shows it whole.
// Terminals that do not know the mode ignore both.
constexpr char end_update[] = "\x1b[?2026l";

bool frame_written = false;

// Read once, before any signal is caught: a signal handler clears only
// what was known to be a terminal.
const bool tty = isatty(STDOUT_FILENO) == 1;

bool on_terminal()
{
    return tty;
}

// Writes the parts in order, looping only on a partial write; a failed one
// stops playback. A frame gives up once a stop is requested, even after part
// of it went out (a reader that stopped reading would block it forever);
// the end sequence's own writes still go out. Whether all went out.
bool write_all(iovec* parts, int count, bool frame = false)
{
    while (count > 0 && !output_failed() && !(frame && stop_signal() != 0)) {
        ssize_t w = writev(STDOUT_FILENO, parts, count);
        if (w > 0) {
            // Past what went out: whole parts, then the start of the next.
            for (; count > 0 && static_cast<size_t>(w) >= parts->iov_len; ++parts, --count)
                w -= static_cast<ssize_t>(parts->iov_len);
            if (count > 0) {
                parts->iov_base = static_cast<char*>(parts->iov_base) + w;
                parts->iov_len -= static_cast<size_t>(w);
            }
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
    return count == 0;
}

iovec part(const char* p, size_t n)
{
    return {const_cast<char*>(p), n};
}

bool write_all(const char* p, size_t n, bool frame = false)
{
    iovec whole = part(p, n);
    return write_all(&whole, 1, frame);
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
    // GB2312 (Debian's plain zh_CN; EUC-CN elsewhere) is a subset of GBK
    // that holds both texts, byte for byte.
    for (const char* gbk : {"GBK", "GB18030", "GB2312", "EUC-CN", "eucCN"})
        if (codeset == gbk)
            return true;
    return false;
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
    if (!on_terminal()) {
        write_all(out.data(), out.size(), true);
        return;
    }
    // One synchronized update, in one writev: a terminal that paints on its
    // own clock shows the frame whole, never the top of one over the last.
    iovec parts[] = {part(begin_update, sizeof begin_update - 1), part(out.data(), out.size()),
                     part(end_update, sizeof end_update - 1)};
    // Cut short by a stop, the update still ends, or the terminal would keep
    // holding its picture.
    if (!write_all(parts, 3, true) && !output_failed())
        write_all(end_update, sizeof end_update - 1);
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
    if (!on_terminal())
        return;
    for (const char* sequence : {end_update, cursor_home, erase_all})
        if (!write_at_once(STDOUT_FILENO, sequence, std::strlen(sequence)))
            return;
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
