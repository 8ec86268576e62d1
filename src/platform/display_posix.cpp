// A display on POSIX: an X server, or a Wayland compositor, as the toolkit
// goes. Qt 5 draws through X unless QT_QPA_PLATFORM names Wayland; GTK 3
// takes the backends GDK_BACKEND lists, by default Wayland, then X.

#include "platform/display.hpp"

#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace charplay {

namespace {

// Connects to the X server the way the library's windows will (Qt through
// xcb, GTK through Xlib, which sits on xcb), so that authorisation counts
// too. libxcb is loaded only here,
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

// A compositor listening on WAYLAND_DISPLAY (a socket in XDG_RUNTIME_DIR,
// or a path).
bool wayland_display_answers()
{
    const char* name = std::getenv("WAYLAND_DISPLAY");
    if (!name || !*name)
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

// Whether a toolkit's list of backends names this one.
bool names(const char* list, const char* backend)
{
    return list && std::strstr(list, backend);
}

bool qt_display_available()
{
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    return x_display_answers() || (names(platform, "wayland") && wayland_display_answers());
}

bool gtk_display_available()
{
    const char* backends = std::getenv("GDK_BACKEND");
    const bool any = !backends || !*backends || names(backends, "*");
    return ((any || names(backends, "wayland")) && wayland_display_answers()) ||
           ((any || names(backends, "x11")) && x_display_answers());
}

} // namespace

bool display_available(window_toolkit toolkit)
{
    return toolkit == toolkit_gtk ? gtk_display_available() : qt_display_available();
}

} // namespace charplay
