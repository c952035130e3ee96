// How long the splash waits after the windows are built.
#include "SplashTiming.h"

#include <gtest/gtest.h>

TEST(SplashTiming, WaitsOnlyForTheRestOfTwoSeconds)
{
    EXPECT_EQ(SplashWait(SplashRemaining(5000, 5300)), 1700u);
    EXPECT_EQ(SplashWait(SplashRemaining(5000, 6999)), 1u);
    EXPECT_EQ(SplashWait(SplashRemaining(5000, 7000)), 0u);
    EXPECT_EQ(SplashWait(SplashRemaining(5000, 9500)), 0u);
    // No tick passed: a remainder of exactly 2000 gives no wait.
    EXPECT_EQ(SplashRemaining(123456, 123456), 2000);
    EXPECT_EQ(SplashWait(2000), 0u);
}

TEST(SplashTiming, TickCounterWrapBetweenTheReadings)
{
    EXPECT_EQ(SplashRemaining(0xFFFFFF00u, 0x100u), 1488); // 512 ms across the wrap
    EXPECT_EQ(SplashWait(SplashRemaining(0xFFFFF000u, 3000u - 0x1000u)), 0u);
    // An elapsed time that wraps the remainder to a large positive number.
    EXPECT_GE(SplashRemaining(0, 0xB0000000u), 2000);
    EXPECT_EQ(SplashWait(SplashRemaining(0, 0xB0000000u)), 0u);
}
