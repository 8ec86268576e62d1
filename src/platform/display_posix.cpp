// A display on POSIX: an X server, or a Wayland compositor when Qt is told
// to use one.

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
    if (!platform || !std::strstr(platform, "wayland") || !name || !*name)
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

bool display_available()
{
    return x_display_answers() || wayland_display_answers();
}

} // namespace charplay
