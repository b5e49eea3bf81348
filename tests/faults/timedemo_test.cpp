// The real program's offscreen timedemo at a tiny size. It must draw every tick
// of every scene exactly once (a clock stepped by a whole tick in milliseconds
// would skip or repeat ticks, 1000/30 not being whole), also with no data at all.
#include <gtest/gtest.h>
#include <signal.h>
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

// Ctrl+C ends the offscreen run as it does the windowed one: the table of what
// was drawn, a line saying the run stopped early, and exit code 1.
TEST(Timedemo, InterruptedOffscreenRunStillPrintsTheTable)
{
    int out[2];
    ASSERT_EQ(pipe(out), 0);
    const pid_t pid = fork();
    if (pid == 0) {
        signal(SIGINT, SIG_DFL);  // a background job may have inherited it ignored
        dup2(out[1], 1);
        close(out[0]);
        close(out[1]);
        if (chdir(ORV_DATA_DIR) != 0)
            _exit(100);
        execl(ORV_BINARY_DIR "/app/orvdemo", "orvdemo", "--timedemo", "--offscreen", "--size", "640x480",
              "--data", ORV_DATA_DIR, static_cast<char*>(nullptr));
        _exit(101);
    }
    close(out[1]);
    FILE* pipe = fdopen(out[0], "r");
    std::string table, lastLine;
    char line[512];
    bool interrupted = false;
    while (std::fgets(line, sizeof line, pipe)) {
        const std::string text = line;
        if (text.rfind("timedemo: ", 0) != 0)
            continue;  // the reader's trace
        table += text;
        lastLine = text;
        // Once the scenes are loaded the show has thousands of frames ahead.
        if (!interrupted && text.find("scenes loaded") != std::string::npos)
            interrupted = kill(pid, SIGINT) == 0;
    }
    fclose(pipe);
    int status = 0;
    waitpid(pid, &status, 0);

    ASSERT_TRUE(interrupted) << table;
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
    EXPECT_EQ(WEXITSTATUS(status), 1) << table;
    EXPECT_NE(table.find("timedemo: show "), std::string::npos) << table;
    EXPECT_EQ(lastLine, "timedemo: stopped early by a quit request\n") << table;
}
