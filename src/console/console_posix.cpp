// The console on POSIX: a terminal driven by VT escape sequences.

#include "console/console.hpp"
#include "console/texts.hpp"

#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <langinfo.h>
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

bool on_terminal()
{
    static const bool tty = isatty(STDOUT_FILENO) == 1;
    return tty;
}

// Loops only on a partial write; a closed or failing output ends the
// attempt, there is nobody left to tell.
void write_all(const char* p, size_t n)
{
    while (n > 0) {
        const ssize_t w = write(STDOUT_FILENO, p, n);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            return;
        p += w;
        n -= static_cast<size_t>(w);
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

void console_set_title()
{
    if (on_terminal())
        write_all(std::string(osc_title) + (locale_is_gbk() ? title_gbk : title_utf8) + bel);
}

// A terminal's font belongs to the terminal; no sequence sets it.
void console_set_font() {}

void console_write_frame(const std::string& out)
{
    write_all(out);
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

bool display_available()
{
    return x_display_answers() || wayland_display_answers();
}
