// Which displays count for which toolkit, with a real socket where a
// Wayland compositor listens: the check only connects to it.

#include "platform/display.hpp"

#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace charplay;

TEST(Display, AWaylandSessionCountsForGtkAndForQtWhenToldTo)
{
    char folder[] = "/tmp/charplay-display-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string path = std::string(folder) + "/wayland-1";
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, path.c_str());
    const int compositor = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_EQ(bind(compositor, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(listen(compositor, 8), 0);
    for (const char* name : {"DISPLAY", "QT_QPA_PLATFORM", "GDK_BACKEND"})
        unsetenv(name);
    setenv("XDG_RUNTIME_DIR", folder, 1);
    setenv("WAYLAND_DISPLAY", "wayland-1", 1);

    EXPECT_TRUE(display_available(toolkit_gtk));
    EXPECT_FALSE(display_available(toolkit_qt));
    setenv("QT_QPA_PLATFORM", "wayland", 1);
    EXPECT_TRUE(display_available(toolkit_qt));
    setenv("GDK_BACKEND", "x11", 1);
    EXPECT_FALSE(display_available(toolkit_gtk));
    setenv("GDK_BACKEND", "wayland,x11", 1);
    EXPECT_TRUE(display_available(toolkit_gtk));

    // The compositor gone: its socket no longer answers.
    close(compositor);
    EXPECT_FALSE(display_available(toolkit_gtk));
    EXPECT_FALSE(display_available(toolkit_qt));
    unlink(path.c_str());
    rmdir(folder);
    for (const char* name : {"XDG_RUNTIME_DIR", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "GDK_BACKEND"})
        unsetenv(name);
}
