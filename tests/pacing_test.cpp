#include "player/pacing.hpp"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

TEST(FrameWait, IsAThousandOverTheTruncatedRate)
{
    EXPECT_EQ(frame_wait(25), 40);
    EXPECT_EQ(frame_wait(29.97), 34);
    EXPECT_EQ(frame_wait(30), 33);
    EXPECT_EQ(frame_wait(59.94), 16);
    EXPECT_EQ(frame_wait(60), 16);
    EXPECT_EQ(frame_wait(1), 1000);
    EXPECT_EQ(frame_wait(1.9), 1000);
    EXPECT_EQ(frame_wait(1000), 1);
    EXPECT_EQ(frame_wait(1000.5), 1);
}

TEST(FrameWait, NeverAsksTheLibraryToWaitForever)
{
    EXPECT_EQ(frame_wait(1001), 1);
    EXPECT_EQ(frame_wait(5000), 1);
    EXPECT_EQ(frame_wait(1e300), 1);
}

TEST(FrameWait, TakesTwentyFiveASecondWhenTheRateIsUnknown)
{
    EXPECT_EQ(frame_wait(0), 40);
    EXPECT_EQ(frame_wait(-1), 40);
    EXPECT_EQ(frame_wait(-30), 40);
    EXPECT_EQ(frame_wait(std::nan("")), 40);
    EXPECT_EQ(frame_wait(std::numeric_limits<double>::infinity()), 40);
    EXPECT_EQ(frame_wait(-std::numeric_limits<double>::infinity()), 40);
}

TEST(FrameWait, RoundsBelowOneFrameASecond)
{
    EXPECT_EQ(frame_wait(0.5), 2000);
    EXPECT_EQ(frame_wait(0.3), 3333);
    EXPECT_EQ(frame_wait(0.9999), 1000);
    EXPECT_GT(frame_wait(1e-300), 0);
}
