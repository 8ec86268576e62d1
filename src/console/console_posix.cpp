// The console on POSIX: a terminal driven by VT escape sequences.

#include "console/console.hpp"
#include "console/texts.hpp"

#include <cerrno>
#include <csignal>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <langinfo.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// OSC 0: set the window title; ended by BEL.
constexpr char osc_title[] = "\x1b]0;";
constexpr char bel[] = "\x07";
// CUP without arguments: cursor to row 1, column 1.
constexpr char cursor_home[] = "\x1b[H";
// ED 2 then ED 3: erase the screen, then the scroll-back.
constexpr char erase_all[] = "\x1b[2J\x1b[3J";

// Why playback has to stop, set from signal handlers: the signal's number.
volatile std::sig_atomic_t stop_signal = 0;
// Why the frames could not be written: an errno value.
int output_error = 0;

bool on_terminal()
{
    static const bool tty = isatty(STDOUT_FILENO) == 1;
    return tty;
}

// A second signal while the first is being handled ends the process at once:
// the end sequence may be stuck on a terminal that no longer reads.
void on_stop_signal(int signal)
{
    if (stop_signal != 0) {
        std::signal(signal, SIG_DFL);
        std::raise(signal);
    }
    stop_signal = signal;
}

// Loops only on a partial write; a failed one is remembered so that
// playback ends. A frame gives up once a stop is requested, even after part
// of it went out (a reader that stopped reading would block it forever); the
// end sequence's own writes still go out.
void write_all(const char* p, size_t n, bool frame = false)
{
    while (n > 0 && output_error == 0 && !(frame && stop_signal != 0)) {
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
            output_error = w < 0 ? errno : EIO;
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

// Connects to the X server the way the library's windows (Qt, through
// xcb) will, so that authorisation counts too. libxcb is loaded only here,
// which keeps it out of the build; without it no window could open anyway.
bool x_display_answers()
{
    if (!std::getenv("DISPLAY"))
        return false;
    void* xcb = dlopen("libxcb.so.1", RTLD_NOW | RTLD_LOCAL);
    if (!xcb)
        return false;
    using connect_fn = void* (*)(const char*, int*);
    using has_error_fn = int (*)(void*);
    using disconnect_fn = void (*)(void*);
    auto xcb_connect = reinterpret_cast<connect_fn>(dlsym(xcb, "xcb_connect"));
    auto has_error = reinterpret_cast<has_error_fn>(dlsym(xcb, "xcb_connection_has_error"));
    auto disconnect = reinterpret_cast<disconnect_fn>(dlsym(xcb, "xcb_disconnect"));
    bool answers = false;
    if (xcb_connect && has_error && disconnect) {
        void* connection = xcb_connect(nullptr, nullptr);
        answers = has_error(connection) == 0;
        disconnect(connection);
    }
    dlclose(xcb);
    return answers;
}

// Qt 5 draws through X unless told to use Wayland.
bool wayland_display_answers()
{
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    const char* name = std::getenv("WAYLAND_DISPLAY");
    if (!platform || !std::strstr(platform, "wayland") || !name)
        return false;
    std::string path = name;
    if (path[0] != '/') {
        const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        if (!runtime)
            return false;
        path = std::string(runtime) + "/" + path;
    }
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const bool answers = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return answers;
}

} // namespace

void console_keep_streams_open()
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
            output_error = EBADF;
    }
}

void set_env_default(const char* name, const char* value)
{
    setenv(name, value, 0);
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

void console_report_open_failure()
{
    write_all(std::string(locale_is_gbk() ? open_failure_gbk : open_failure_utf8) + "\n");
}

void console_catch_signals()
{
    struct sigaction action = {};
    action.sa_handler = on_stop_signal;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a write or a wait in progress returns at once. A signal
    // ignored from the start (nohup, a background job) stays ignored.
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction previous = {};
        if (sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler != SIG_IGN)
            sigaction(signal, &action, nullptr);
    }
    // A reader that went away shows as EPIPE from write, which ends playback.
    std::signal(SIGPIPE, SIG_IGN);
}

bool console_stop_requested()
{
    return stop_signal != 0 || output_error != 0;
}

int console_exit_status()
{
    if (stop_signal != 0)
        return 128 + stop_signal;
    if (output_error == EPIPE)
        return 128 + SIGPIPE;
    if (output_error != 0) {
        const std::string message =
            std::string("charplay: cannot write the frames: ") + std::strerror(output_error) + "\n";
        if (::write(STDERR_FILENO, message.data(), message.size()) < 0) {
            // Nowhere left to say it.
        }
        return 1;
    }
    return 0;
}

bool display_available()
{
    return x_display_answers() || wayland_display_answers();
}
