// Which displays count for which toolkit, with a real socket where a
// Wayland compositor listens: the check only connects to it.

#include "platform/display.hpp"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
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
    for (const char* name : {"DISPLAY", "QT_QPA_PLATFORM", "GDK_BACKEND", "XDG_SESSION_TYPE",
                             "XDG_CURRENT_DESKTOP", "XDG_SESSION_DESKTOP"})
        unsetenv(name);
    setenv("XDG_RUNTIME_DIR", folder, 1);
    setenv("WAYLAND_DISPLAY", "wayland-1", 1);

    EXPECT_TRUE(display_available(toolkit_gtk));
    EXPECT_FALSE(display_available(toolkit_qt));
    // Qt counts a platform as its list reads, and only where its plugin is
    // installed: here made-up ones, in a folder of QT_PLUGIN_PATH.
    setenv("QT_QPA_PLATFORM", "wayland-test", 1);
    setenv("QT_PLUGIN_PATH", folder, 1);
    EXPECT_FALSE(display_available(toolkit_qt));
    const std::string platforms = std::string(folder) + "/platforms";
    ASSERT_EQ(mkdir(platforms.c_str(), 0700), 0);
    const std::string plugins[] = {platforms + "/libqwayland-test.so",
                                   platforms + "/libqwayland-generic.so"};
    for (const std::string& plugin : plugins)
        std::fclose(std::fopen(plugin.c_str(), "w"));
    EXPECT_TRUE(display_available(toolkit_qt));
    setenv("QT_QPA_PLATFORM", "eglfs;wayland-test:option", 1);
    EXPECT_TRUE(display_available(toolkit_qt));
    setenv("QT_QPA_PLATFORM", "eglfs;xcb", 1);
    EXPECT_FALSE(display_available(toolkit_qt));
    unsetenv("QT_QPA_PLATFORM");
    setenv("XDG_SESSION_TYPE", "wayland", 1);
    EXPECT_TRUE(display_available(toolkit_qt));
    setenv("XDG_CURRENT_DESKTOP", "ubuntu:GNOME", 1); // Qt 5.15 takes X there
    EXPECT_FALSE(display_available(toolkit_qt));
    setenv("QT_QPA_PLATFORM", "wayland;xcb", 1);
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
    for (const std::string& plugin : plugins)
        unlink(plugin.c_str());
    rmdir(platforms.c_str());
    rmdir(folder);
    for (const char* name : {"XDG_RUNTIME_DIR", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "GDK_BACKEND",
                             "QT_PLUGIN_PATH", "XDG_SESSION_TYPE", "XDG_CURRENT_DESKTOP"})
        unsetenv(name);
}

// Qt's own plugins lie beside the Qt library the process loaded, as
// Debian's OpenCV loads Qt 5; minimal is one, and needs no display. Qt
// stays loaded, as it would.
TEST(Display, QtsOwnPluginsCountBesideTheQtLoaded)
{
    void* qt = dlopen("libQt5Core.so.5", RTLD_NOW);
    if (!qt)
        GTEST_SKIP() << "Qt 5 is not installed";
    for (const char* name : {"DISPLAY", "QT_PLUGIN_PATH", "XDG_SESSION_TYPE"})
        unsetenv(name);
    setenv("QT_QPA_PLATFORM", "minimal", 1);
    EXPECT_TRUE(display_available(toolkit_qt));
    unsetenv("QT_QPA_PLATFORM");
}
