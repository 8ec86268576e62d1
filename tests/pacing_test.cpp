#include "player/pacing.hpp"

#include <cmath>
#include <gtest/gtest.h>
#include <initializer_list>
#include <limits>
#include <utility>

using namespace charplay;

namespace {

constexpr double infinity = std::numeric_limits<double>::infinity();

void expect_waits(std::initializer_list<std::pair<double, int>> cases)
{
    for (const auto& [fps, ms] : cases)
        EXPECT_EQ(frame_wait(fps), ms) << "at " << fps << " frames a second";
}

} // namespace

TEST(FrameWait, IsAThousandOverTheTruncatedRate)
{
    expect_waits({{25, 40}, {29.97, 34}, {30, 33}, {59.94, 16}, {60, 16}, {1, 1000},
                  {1.9, 1000}, {1000, 1}, {1000.5, 1}});
}

TEST(FrameWait, NeverAsksTheLibraryToWaitForever)
{
    expect_waits({{1001, 1}, {5000, 1}, {1e300, 1}});
}

TEST(FrameWait, TakesTwentyFiveASecondWhenTheRateIsUnknown)
{
    expect_waits({{0, 40}, {-1, 40}, {-30, 40}, {std::nan(""), 40}, {infinity, 40},
                  {-infinity, 40}});
}

TEST(FrameWait, RoundsBelowOneFrameASecond)
{
    expect_waits({{0.5, 2000}, {0.3, 3333}, {0.9999, 1000}});
    EXPECT_GT(frame_wait(1e-300), 0);
}
