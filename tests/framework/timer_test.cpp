#include <gtest/gtest.h>

#include <cstdint>

#include "framework/timer.h"

namespace {

// Ticks after `ms` milliseconds on a 30-per-second timer reset at `start` on a hand-set clock.
int32_t TicksAfter(uint32_t start, uint32_t ms)
{
    uint32_t now = start;
    OrvTimer timer(30, [&now] { return now; });
    timer.Reset();
    now = start + ms;
    return timer.Elapsed();
}

}  // namespace

TEST(OrvTimer, TruncatesTicksAtTheScheduleBoundaries)
{
    const uint32_t ms[] = {0, 33, 34, 4000, 4033, 4034, 18034, 28034};
    const int32_t ticks[] = {0, 0, 1, 120, 120, 121, 541, 841};
    for (size_t i = 0; i < std::size(ms); ++i)
        EXPECT_EQ(TicksAfter(1000, ms[i]), ticks[i]) << ms[i] << " ms";
}

TEST(OrvTimer, CounterWrapBetweenResetAndElapsedIsHarmless)
{
    EXPECT_EQ(TicksAfter(0xFFFFFFFFu - 10u, 4034), 121);
    EXPECT_EQ(TicksAfter(0xFFFFF000u, 0x2000u), 0x2000 * 30 / 1000);
}

TEST(OrvTimer, DifferenceAndProductAreReadAsThirtyTwoBitSigned)
{
    EXPECT_EQ(TicksAfter(5000, static_cast<uint32_t>(-100)), -3);  // clock stepped back
    EXPECT_GT(TicksAfter(0, 71582788u), 0);
    EXPECT_LT(TicksAfter(0, 71582789u), 0);  // ms * 30 passes 2^31
}

TEST(OrvTimer, ResetRestartsTheCountFromTheLatestReading)
{
    uint32_t now = 500;
    OrvTimer timer(30, [&now] { return now; });
    timer.Reset();
    now = 5000;
    EXPECT_EQ(timer.Elapsed(), 135);
    timer.Reset();
    EXPECT_EQ(timer.Elapsed(), 0);
    now = 5100;
    EXPECT_EQ(timer.Elapsed(), 3);
}
