#include "player/pacing.hpp"

#include "player/outcome.hpp"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

namespace charplay {

namespace {

using clock = std::chrono::steady_clock;

// Slices this long let a stop request (Ctrl+C) be seen within one slice,
// however long the frame's wait.
constexpr auto slice = std::chrono::milliseconds(20);

constexpr double slowest_rate = 0.1;
// 25 frames a second, the most common rate.
constexpr int unknown_rate_wait = 40;

} // namespace

int frame_wait(double fps)
{
    // Slower than a frame every ten seconds is no video but a damaged
    // header, which would freeze one frame for minutes or hours.
    if (!std::isfinite(fps) || fps < slowest_rate)
        return unknown_rate_wait;
    if (fps < 1)
        return static_cast<int>(std::lround(1000 / fps));
    if (fps >= 1001)
        return 1;
    const int wait = 1000 / static_cast<int>(fps);
    return wait < 1 ? 1 : wait;
}

int wait_in_slices(int ms, int (*wait_once)(int))
{
    const auto until = clock::now() + std::chrono::milliseconds(ms);
    for (auto now = clock::now(); now < until && !stop_requested(); now = clock::now()) {
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

} // namespace charplay
