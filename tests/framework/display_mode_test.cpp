#include <gtest/gtest.h>

#include "framework/linux/display_mode.h"

TEST(OrvPickMode, Prefers75HzElseTheClosestRefreshOfTheRequestedSize)
{
    std::vector<OrvModeCandidate> modes = {
        {1, 1024, 768, 75.0, false}, {2, 640, 480, 59.94, false}, {3, 640, 480, 75.0, false},
        {4, 640, 480, 85.0, false}};
    EXPECT_EQ(OrvPickMode(modes, 640, 480, 75.0), 2);
    modes.erase(modes.begin() + 2);
    modes.push_back({5, 640, 480, 72.8, false});
    EXPECT_EQ(OrvPickMode(modes, 640, 480, 75.0), 3);
}

TEST(OrvPickMode, SkipsInterlacedModesAndOtherSizes)
{
    std::vector<OrvModeCandidate> modes = {
        {1, 640, 480, 75.0, true}, {2, 640, 400, 75.0, false}, {3, 800, 480, 75.0, false}};
    EXPECT_EQ(OrvPickMode(modes, 640, 480, 75.0), -1);
    EXPECT_EQ(OrvPickMode({}, 640, 480, 75.0), -1);
    modes.push_back({4, 640, 480, 60.0, false});
    EXPECT_EQ(OrvPickMode(modes, 640, 480, 75.0), 3);
}
