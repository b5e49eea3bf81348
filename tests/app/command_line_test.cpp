#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/demo_main.h"

namespace {

struct ScanCase {
    const char* tail;
    bool music;
    int32_t bits;
};

}  // namespace

TEST(OrvScanCommandLine, SwitchesCountAnywhereAndOnlyInLowerCase)
{
    const ScanCase cases[] = {
        {"", true, 32},
        {"s", false, 32},
        {"1", true, 24},
        {"16", true, 24},
        {"-x1", true, 24},
        {"24", true, 32},
        {"nosound", false, 32},
        {"/fullscreen", false, 32},
        {"S", true, 32},
        {"s 1", false, 24},
        {"  \t1s", false, 24},
        {"abc", true, 32},
    };
    for (const ScanCase& c : cases) {
        OrvCommandLine scanned = OrvScanCommandLine(c.tail);
        EXPECT_EQ(scanned.music, c.music) << '"' << c.tail << '"';
        EXPECT_EQ(scanned.bits, c.bits) << '"' << c.tail << '"';
    }
}

TEST(OrvJoinArguments, ProgramNameIsNotScanned)
{
    char program[] = "/opt/s1/orvdemo_s1";
    char* only[] = {program, nullptr};
    EXPECT_EQ(OrvJoinArguments(1, only), "");
    OrvCommandLine scanned = OrvScanCommandLine(OrvJoinArguments(1, only).c_str());
    EXPECT_TRUE(scanned.music);
    EXPECT_EQ(scanned.bits, 32);
}

TEST(OrvJoinArguments, ArgumentsAreJoinedWithSingleBlanks)
{
    char program[] = "orvdemo";
    char a[] = "x";
    char b[] = "";
    char c[] = "1 y";
    char* argv[] = {program, a, b, c, nullptr};
    EXPECT_EQ(OrvJoinArguments(4, argv), "x  1 y");
    EXPECT_EQ(OrvScanCommandLine(OrvJoinArguments(4, argv).c_str()).bits, 24);
}
