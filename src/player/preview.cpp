#include "player/preview.hpp"

#include "platform/display.hpp"
#include "player/pacing.hpp"

#include <opencv2/highgui.hpp>
#include <string>

namespace charplay {

namespace {

constexpr char window_name[] = "video";

// The library reports GTK 3 where it draws with it (our archive's plugin);
// Debian's draws with Qt.
window_toolkit library_toolkit()
{
    const std::string& report = cv::getBuildInformation();
    const size_t at = report.find("GTK+:");
    if (at == std::string::npos)
        return toolkit_qt;
    const size_t value = report.find_first_not_of(' ', at + 5);
    return value != std::string::npos && report.compare(value, 3, "YES") == 0 ? toolkit_gtk
                                                                              : toolkit_qt;
}

int library_key_wait(int ms)
{
    return cv::waitKey(ms);
}

int no_key(int)
{
    return -1;
}

} // namespace

bool preview_possible()
{
    return display_available(library_toolkit());
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
    try {
        cv::imshow(window_name, video);
    } catch (const cv::Exception&) {
        window = false;
    }
}

} // namespace charplay
