// The real program's offscreen timedemo at a tiny size. It must draw every tick
// of every scene exactly once (a clock stepped by a whole tick in milliseconds
// would skip or repeat ticks, 1000/30 not being whole), also with no data at all.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include <cstdio>
#include <map>
#include <sstream>
#include <string>

namespace {

struct TimedemoRun {
    int exitCode = -1;
    std::map<std::string, long> frames;  // per scene, and "show" for all
    std::string table;
};

// Runs the program's offscreen timedemo on the data in `dataDir` and reads its frame table.
TimedemoRun RunTimedemo(const std::string& dataDir)
{
    TimedemoRun run;
    const std::string command =
        ORV_BINARY_DIR "/app/orvdemo --timedemo --offscreen --size 48x36 --data '" + dataDir + "' 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return run;
    char line[512];
    while (std::fgets(line, sizeof line, pipe)) {
        std::istringstream words(line);
        std::string head, name, unit;
        long count = 0;
        if (words >> head >> name >> count >> unit && head == "timedemo:" && unit == "frames") {
            run.frames[name] = count;
            run.table += line;
        }
    }
    const int status = pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

// Ticks 0 to the limit, and the first tick above it on which the scene leaves.
const std::map<std::string, long> kEveryTickOnce = {
    {"Intro", 122}, {"Tunneli", 542}, {"Kylpyla", 842}, {"Insane", 842},
    {"Kaupunki", 842}, {"Womb", 842}, {"show", 4032},
};

}  // namespace

TEST(Timedemo, EveryTickOfEverySceneIsDrawnOnce)
{
    const TimedemoRun run = RunTimedemo(ORV_DATA_DIR);
    EXPECT_EQ(run.exitCode, 0) << run.table;
    EXPECT_EQ(run.frames, kEveryTickOnce) << run.table;
}

// Missing data leaves empty objects: the whole show still plays and the program ends normally.
TEST(Timedemo, EmptyDataDirectoryStillPlaysTheWholeShow)
{
    std::string dir = ::testing::TempDir() + "orv_nodata_XXXXXX";
    ASSERT_NE(mkdtemp(dir.data()), nullptr);
    const TimedemoRun run = RunTimedemo(dir);
    rmdir(dir.c_str());
    EXPECT_EQ(run.exitCode, 0) << run.table;
    EXPECT_EQ(run.frames, kEveryTickOnce) << run.table;
}
