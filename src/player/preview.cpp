#include "player/preview.hpp"

#include "platform/console.hpp"
#include "platform/display.hpp"
#include "platform/last_words.hpp"
#include "player/pacing.hpp"

#include <cstdio>
#include <cstdlib>
#include <opencv2/highgui.hpp>
#include <string>

namespace charplay {

namespace {

constexpr char window_name[] = "video";

// Whether the library's build report says YES after key ("GTK+:").
bool reported(const std::string& report, const std::string& key)
{
    const size_t at = report.find(key);
    const size_t value =
        at == std::string::npos ? at : report.find_first_not_of(' ', at + key.size());
    return value != std::string::npos && report.compare(value, 3, "YES") == 0;
}

// The library reports GTK 3 where it draws with it (our archive's plugin),
// Qt in Debian's build, and maybe neither elsewhere (Cocoa on macOS).
window_toolkit library_toolkit()
{
    const std::string& report = cv::getBuildInformation();
    if (reported(report, "GTK+:"))
        return toolkit_gtk;
    return reported(report, "QT:") ? toolkit_qt : toolkit_other;
}

// Set while the toolkit runs: where it ends the process then, its display
// went away.
bool in_toolkit = false;

// Every end leaves the console cleared; this one says why.
[[noreturn]] void display_lost()
{
    console_clear();
    std::fputs("charplay: the display of the window \"video\" went away, so playback ended.\n",
               stderr);
    say_library_words();
    std::_Exit(1);
}

// Qt ends the process with exit(1) when its display goes away.
void on_exit()
{
    if (in_toolkit)
        display_lost();
}

// Runs call with in_toolkit set, cleared on every way out: an exception
// of any kind (out of memory too) must not leave the wrong reason behind.
template <typename Call>
int toolkit_call(Call call)
{
    in_toolkit = true;
    try {
        const int result = call();
        in_toolkit = false;
        return result;
    } catch (...) {
        in_toolkit = false;
        throw;
    }
}

int library_key_wait(int ms)
{
    return toolkit_call([ms] { return cv::waitKey(ms); });
}

int no_key(int)
{
    return -1;
}

} // namespace

bool preview_possible()
{
    if (!display_available(library_toolkit()))
        return false;
    std::atexit(on_exit);
    return true;
}

int preview_wait_key(int ms, bool& window)
{
    if (window) {
        try {
            return wait_in_slices(ms, library_key_wait);
        } catch (const cv::Exception&) {
            window = false;
        }
    }
    return wait_in_slices(ms, no_key);
}

void preview_show(const cv::Mat& video, int c, bool& window)
{
    if (!window || c != 0)
        return;
    static bool watching = false;
    try {
        toolkit_call([&video] {
            cv::imshow(window_name, video);
            return 0;
        });
    } catch (const cv::Exception&) {
        window = false;
        return;
    }
    if (!watching) {
        display_watch_loss(display_lost);
        watching = true;
    }
}

} // namespace charplay
