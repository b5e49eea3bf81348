#include <gtest/gtest.h>

#include <cstdint>

#include "framework/timer.h"

namespace {

// A millisecond counter the test sets by hand.
struct FakeClock {
    uint32_t now = 0;
    OrvTimer::Clock Reader()
    {
        return [this] { return now; };
    }
};

// Ticks after `ms` milliseconds on a 30-per-second timer reset at `start`.
int32_t TicksAfter(uint32_t start, uint32_t ms)
{
    FakeClock clock;
    clock.now = start;
    OrvTimer timer(30, clock.Reader());
    timer.Reset();
    clock.now = start + ms;
    return timer.Elapsed();
}

}  // namespace

TEST(OrvTimer, TruncatesTicksAtTheScheduleBoundaries)
{
    EXPECT_EQ(TicksAfter(1000, 0), 0);
    EXPECT_EQ(TicksAfter(1000, 33), 0);
    EXPECT_EQ(TicksAfter(1000, 34), 1);
    EXPECT_EQ(TicksAfter(1000, 4000), 120);
    EXPECT_EQ(TicksAfter(1000, 4033), 120);
    EXPECT_EQ(TicksAfter(1000, 4034), 121);
    EXPECT_EQ(TicksAfter(1000, 18034), 541);
    EXPECT_EQ(TicksAfter(1000, 28034), 841);
}

TEST(OrvTimer, CounterWrapBetweenResetAndElapsedIsHarmless)
{
    EXPECT_EQ(TicksAfter(0xFFFFFFFFu - 10u, 4034), 121);
    EXPECT_EQ(TicksAfter(0xFFFFF000u, 0x2000u), 0x2000 * 30 / 1000);
}

TEST(OrvTimer, ResetRestartsTheCountFromTheLatestReading)
{
    FakeClock clock;
    OrvTimer timer(30, clock.Reader());
    clock.now = 500;
    timer.Reset();
    clock.now = 5000;
    EXPECT_EQ(timer.Elapsed(), 135);
    timer.Reset();
    EXPECT_EQ(timer.Elapsed(), 0);
    clock.now = 5100;
    EXPECT_EQ(timer.Elapsed(), 3);
}

TEST(OrvTimer, ClockGoingBackwardsGivesNegativeTicksNotHugeOnes)
{
    EXPECT_EQ(TicksAfter(5000, static_cast<uint32_t>(-100)), -3);
}

TEST(OrvTimer, ProductWrapsAsThirtyTwoBitSigned)
{
    // 71,582,789 ms * 30 passes 2^31: the product is read back as negative.
    EXPECT_LT(TicksAfter(0, 71582789u), 0);
    EXPECT_GT(TicksAfter(0, 71582788u), 0);
}

TEST(OrvTimer, MonotonicClockDoesNotRunBackwards)
{
    uint32_t a = OrvMonotonicMilliseconds();
    uint32_t b = OrvMonotonicMilliseconds();
    EXPECT_GE(static_cast<int32_t>(b - a), 0);
}
