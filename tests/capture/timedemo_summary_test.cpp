// The timedemo's per-scene summary: the start-up frame stays out of the worst and the
// 99th percentile, and the percentile is the nearest rank, whatever order frames come in.
#include <gtest/gtest.h>

#include <vector>

#include "app/timedemo.h"

TEST(TimedemoSummary, StartUpFrameIsApartAndP99IsTheNearestRank)
{
    // A slow first frame, then 150 frames of 1..150 ms in a scrambled order.
    std::vector<double> ms = {500};
    for (int i = 0; i < 150; ++i)
        ms.push_back(static_cast<double>((i * 7) % 150 + 1));
    const OrvFrameSummary s = OrvSummariseFrames(ms.data(), ms.size());
    EXPECT_EQ(s.frames, 151u);
    EXPECT_DOUBLE_EQ(s.firstMs, 500);
    EXPECT_DOUBLE_EQ(s.meanMs, (500 + 150 * 151 / 2) / 151.0);
    EXPECT_DOUBLE_EQ(s.worstMs, 150);
    EXPECT_DOUBLE_EQ(s.p99Ms, 149);  // rank ceil(0.99 x 150) = 149: one later frame is slower

    double one = 7;
    const OrvFrameSummary single = OrvSummariseFrames(&one, 1);
    EXPECT_DOUBLE_EQ(single.firstMs, 7);
    EXPECT_DOUBLE_EQ(single.worstMs, 0);
    EXPECT_EQ(OrvSummariseFrames(nullptr, 0).frames, 0u);
}
