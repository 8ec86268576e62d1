#include "player/pacing.hpp"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <opencv2/highgui.hpp>
#include <thread>

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
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    const int b = cv::waitKey(ms);
    if (b == -1)
        std::this_thread::sleep_until(until);
    return b;
}

int wait_without_window(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    return -1;
}
