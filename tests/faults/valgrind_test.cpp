// valgrind's leak check over a short capture made by the real program: no
// leak may come from our code. The GL driver's own leaks are suppressed by
// valgrind.supp; a control program that leaks one of our objects must fail.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "support/files.h"

namespace {

constexpr int kLeakFound = 99;

bool HaveValgrind() { return std::system("valgrind --version > /dev/null 2>&1") == 0; }

// Runs `command` under valgrind's leak check; returns the exit code, the log in `log`.
int RunUnderValgrind(const std::string& command, const std::string& logPath, std::string* log)
{
    const std::string line = "valgrind -q --leak-check=full --keep-debuginfo=yes"
                             " --errors-for-leak-kinds=definite,indirect,possible --error-exitcode=" +
                             std::to_string(kLeakFound) + " --num-callers=40 --suppressions=" ORV_SOURCE_DIR
                             "/tests/faults/valgrind.supp --log-file=" +
                             logPath + " " + command + " > /dev/null 2>&1";
    const int status = std::system(line.c_str());
    *log = ReadAll(logPath);
    std::remove(logPath.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

TEST(Valgrind, ShortCaptureLeaksNothingFromOurCode)
{
    ASSERT_TRUE(HaveValgrind()) << "valgrind is not installed";
    const std::string out = ::testing::TempDir() + "orv_valgrind_frames_" + std::to_string(getpid());
    std::string log;
    const int code = RunUnderValgrind(std::string(ORV_BINARY_DIR "/app/orvdemo --data " ORV_DATA_DIR
                                                  " --capture ") +
                                          out + "/ --frames 3 --size 64x48",
                                      out + ".log", &log);
    std::system(("rm -rf '" + out + "'").c_str());
    EXPECT_EQ(code, 0) << log;
}

TEST(Valgrind, LeakOfOurObjectIsNotSuppressed)
{
    ASSERT_TRUE(HaveValgrind()) << "valgrind is not installed";
    std::string log;
    const int code = RunUnderValgrind(ORV_LEAKY_PROGRAM,
                                      ::testing::TempDir() + "orv_valgrind_leaky_" + std::to_string(getpid()), &log);
    EXPECT_EQ(code, kLeakFound) << log;
    EXPECT_NE(log.find("definitely lost"), std::string::npos) << log;
    EXPECT_EQ(log.find("Invalid"), std::string::npos) << "an error besides the leak: " << log;
}
