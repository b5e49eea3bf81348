// The timedemo must draw every tick of every scene exactly once: a clock that
// steps a whole tick in milliseconds would skip or repeat ticks where 1000/30
// is not whole. Runs the real program offscreen at a tiny size.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <map>
#include <sstream>
#include <string>

TEST(Timedemo, EveryTickOfEverySceneIsDrawnOnce)
{
    const std::string command = ORV_BINARY_DIR "/app/orvdemo --timedemo --offscreen --size 48x36 --data " ORV_DATA_DIR;
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::map<std::string, long> frames;
    std::string table;
    char line[512];
    while (std::fgets(line, sizeof line, pipe)) {
        std::istringstream words(line);
        std::string head, name, unit;
        long count = 0;
        if (words >> head >> name >> count >> unit && head == "timedemo:" && unit == "frames") {
            frames[name] = count;
            table += line;
        }
    }
    const int status = pclose(pipe);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << table;
    // Ticks 0 to the limit, and the first tick above it on which the scene leaves.
    const std::map<std::string, long> expected = {
        {"Intro", 122},    {"Tunneli", 542},  {"Kylpyla", 842}, {"Insane", 842},
        {"Kaupunki", 842}, {"Womb", 842},     {"show", 4032},
    };
    EXPECT_EQ(frames, expected) << table;
}
