#include "player/pacing.hpp"

#include "console/console.hpp"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <opencv2/highgui.hpp>
#include <thread>

namespace {

using clock = std::chrono::steady_clock;

// Waits are cut into slices this long, so that a stop request (Ctrl+C) is
// seen within one slice, however long the frame's wait.
constexpr auto slice = std::chrono::milliseconds(20);

// Waits until the time is up, a stop is requested or wait_once returns a
// key; wait_once(ms) waits at most ms.
template <typename Wait>
int wait_in_slices(int ms, Wait wait_once)
{
    const auto until = clock::now() + std::chrono::milliseconds(ms);
    for (auto now = clock::now(); now < until && !console_stop_requested(); now = clock::now()) {
        const auto slice_end = std::min(until, now + slice);
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(slice_end - now);
        const int b = wait_once(static_cast<int>(left.count()));
        if (b != -1)
            return b;
        // The library's wait returns early while it has no window.
        std::this_thread::sleep_until(slice_end);
    }
    return -1;
}

} // namespace

int frame_wait(double fps)
{
    if (!std::isfinite(fps) || fps <= 0)
        return 40;
    if (fps < 1)
        return static_cast<int>(std::lround(std::min(1000 / fps, double(INT_MAX))));
    if (fps >= 1001)
        return 1;
    const int wait = 1000 / static_cast<int>(fps);
    return wait < 1 ? 1 : wait;
}

int wait_for_key(int ms)
{
    return wait_in_slices(ms, [](int left) { return cv::waitKey(left); });
}

int wait_without_window(int ms)
{
    return wait_in_slices(ms, [](int) { return -1; });
}
