// A display on POSIX: an X server, or a Wayland compositor, as the toolkit
// goes. Qt 5 draws on the platforms QT_QPA_PLATFORM lists, by default X;
// GTK 3 takes the backends GDK_BACKEND lists, by default Wayland, then X.

#include "platform/display.hpp"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <sstream>
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
// or a path), by default wayland-0, as libwayland looks for it.
bool wayland_display_answers()
{
    const char* name = std::getenv("WAYLAND_DISPLAY");
    std::string path = name && *name ? name : "wayland-0";
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
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0)
        return false;
    // Not for a program started meanwhile; SOCK_CLOEXEC is not everywhere.
    fcntl(fd, F_SETFD, FD_CLOEXEC);
    const bool answers = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return answers;
}

// Whether a toolkit's list of backends names this one.
bool names(const char* list, const char* backend)
{
    return list && std::strstr(list, backend);
}

bool file_exists(const std::string& path)
{
    return access(path.c_str(), R_OK) == 0;
}

// Whether Qt finds the plugin of a platform: in a folder of QT_PLUGIN_PATH,
// or in its own, beside the Qt library the process loaded.
bool qt_plugin_installed(const std::string& platform)
{
    const std::string file =
        "/platforms/libq" + (platform == "wayland" ? "wayland-generic" : platform) + ".so";
    std::istringstream folders(std::getenv("QT_PLUGIN_PATH") ? std::getenv("QT_PLUGIN_PATH") : "");
    for (std::string folder; std::getline(folders, folder, ':');)
        if (!folder.empty() && file_exists(folder + file))
            return true;
    // Qt's folder, from where one of its functions lies (dladdr, which
    // every POSIX system has, unlike dlinfo).
    void* qt = dlopen("libQt5Core.so.5", RTLD_NOW | RTLD_NOLOAD);
    void* function = qt ? dlsym(qt, "qVersion") : nullptr;
    Dl_info where = {};
    std::string library = function && dladdr(function, &where) && where.dli_fname
                              ? where.dli_fname
                              : "";
    if (qt)
        dlclose(qt);
    const size_t slash = library.rfind('/');
    return slash != std::string::npos &&
           file_exists(library.substr(0, slash) + "/qt5/plugins" + file);
}

// Qt gives up the process (a fatal error) where none of its platforms can
// start, so each one counts only where it surely starts: X where the server
// answers, Wayland where the plugin is installed and a compositor answers,
// the invisible ones (offscreen, minimal) where installed. Any other (a
// framebuffer, EGL on a console) is taken for one that cannot.
bool qt_platform_starts(std::string platform)
{
    platform = platform.substr(0, platform.find(':')); // "xcb:option=value"
    for (char& c : platform)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (platform == "xcb")
        return x_display_answers();
    if (platform.compare(0, 7, "wayland") == 0)
        return qt_plugin_installed(platform) && wayland_display_answers();
    if (platform == "offscreen" || platform == "minimal")
        return qt_plugin_installed(platform);
    return false;
}

// The platforms Qt 5.15 tries in turn: QT_QPA_PLATFORM's list, or else
// Wayland first in a Wayland session that is not GNOME's, then X.
std::string qt_platforms()
{
    const char* chosen = std::getenv("QT_QPA_PLATFORM");
    if (chosen && *chosen)
        return chosen;
    const char* session = std::getenv("XDG_SESSION_TYPE");
    const char* desktop = std::getenv("XDG_CURRENT_DESKTOP");
    const char* session_desktop = std::getenv("XDG_SESSION_DESKTOP");
    const bool gnome = (desktop && strcasestr(desktop, "gnome")) ||
                       (session_desktop && strcasestr(session_desktop, "gnome"));
    return session && std::strcmp(session, "wayland") == 0 && !gnome ? "wayland;xcb" : "xcb";
}

bool qt_display_available()
{
    std::istringstream platforms(qt_platforms());
    for (std::string platform; std::getline(platforms, platform, ';');)
        if (qt_platform_starts(platform))
            return true;
    return false;
}

bool gtk_display_available()
{
    const char* backends = std::getenv("GDK_BACKEND");
    const bool any = !backends || !*backends || names(backends, "*");
    return ((any || names(backends, "wayland")) && wayland_display_answers()) ||
           ((any || names(backends, "x11")) && x_display_answers());
}

void (*display_lost)() = nullptr;

// Xlib's handler of a connection that broke; it must not return.
int on_x_connection_lost(void*)
{
    display_lost();
    _exit(1);
}

} // namespace

bool display_available(window_toolkit toolkit)
{
    switch (toolkit) {
    case toolkit_gtk:
        return gtk_display_available();
    case toolkit_qt:
        return qt_display_available();
    case toolkit_other:
        break;
    }
    return true;
}

void display_watch_loss(void (*on_loss)())
{
    // Only where a toolkit loaded Xlib: nothing of it is loaded here.
    void* x11 = dlopen("libX11.so.6", RTLD_NOW | RTLD_NOLOAD);
    if (!x11)
        return;
    using handler_fn = int (*)(void*);
    using set_handler_fn = handler_fn (*)(handler_fn);
    auto set_handler = reinterpret_cast<set_handler_fn>(dlsym(x11, "XSetIOErrorHandler"));
    if (set_handler) {
        display_lost = on_loss;
        set_handler(on_x_connection_lost);
    }
    dlclose(x11);
}

} // namespace charplay
