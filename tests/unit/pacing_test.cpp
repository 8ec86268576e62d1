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

TEST(FrameWait, KeepsTheSlideshowPaceDownToOneFrameInTenSeconds)
{
    expect_waits({{0.5, 2000}, {0.3, 3333}, {0.2, 5000}, {0.9999, 1000}, {0.1, 10000}});
}

TEST(FrameWait, TakesASlowerRateForADamagedHeader)
{
    // Rates damaged headers gave, one frame in 16 s to one in 2.3 hours.
    expect_waits({{0.0999, 40}, {0.061, 40}, {0.031, 40}, {0.0076, 40}, {0.00012, 40},
                  {1e-300, 40}});
}
