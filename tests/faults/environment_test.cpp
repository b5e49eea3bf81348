// Hostile surroundings for the real program under an X server: SIGTERM in the
// middle of a full-screen show with a real display-mode switch, and a machine
// without a sound device. (No X display at all is covered with the program's
// other process tests.)
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "show/show_constants.h"
#include "support/files.h"
#include "support/process.h"
#include "support/x11_test_support.h"

namespace {

const char* kProgram = ORV_BINARY_DIR "/app/orvdemo";
const char* kTitle = OrvWindowTitle;

// Starts orvdemo in the data directory with `args` and extra environment; stderr goes to `errPath`.
pid_t Start(const std::vector<std::string>& args, const std::vector<std::pair<const char*, const char*>>& env,
            const std::string& errPath)
{
    return StartProgram(kProgram, args, ORV_DATA_DIR, errPath, [&] {
        for (const auto& [name, value] : env)
            setenv(name, value, 1);
    });
}

// The top-level window with the show's title, waiting up to `seconds`.
Window FindShowWindow(Display* display, int seconds) { return x11_test::FindWindow(display, kTitle, seconds); }

class Environment : public x11_test::ProgramTest {
protected:
    Environment() : ProgramTest("orvdemo_env_") {}
};

}  // namespace

TEST_F(Environment, SigtermMidShowRestoresTheSwitchedModeAndTheCursor)
{
    using namespace x11_test;
    const ModeLine640x480 modeLine(display);
    if (modeLine.skipReason)
        GTEST_SKIP() << modeLine.skipReason;

    const pid_t pid = Start({"s"}, {}, errPath);
    const bool shown = FindShowWindow(display, 30) != 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));  // well into the first scene
    const CrtcMode during = CurrentCrtcMode(display);
    const bool hiddenDuring = CursorInvisibleAt10x10(display);
    kill(pid, SIGTERM);
    const int code = WaitExit(pid, 60);
    const CrtcMode after = CurrentCrtcMode(display);
    const bool hiddenAfter = CursorInvisibleAt10x10(display);

    ASSERT_TRUE(shown) << ReadAll(errPath);
    EXPECT_EQ(during.mode, modeLine.added) << "the show never switched the mode";
    EXPECT_TRUE(hiddenDuring);
    EXPECT_EQ(code, 1) << ReadAll(errPath);
    EXPECT_EQ(after.mode, modeLine.before.mode);
    EXPECT_EQ(after.width, modeLine.before.width);
    EXPECT_FALSE(hiddenAfter) << "cursor still hidden after the show";
}

TEST_F(Environment, NoSoundDeviceShowRunsSilentlyAndEndsNormally)
{
    // Music on (no 's' in the arguments); ALSA pointed at a card that does not exist.
    const pid_t pid = Start({}, {{"SDL_AUDIODRIVER", "alsa"}, {"AUDIODEV", "hw:99,0"}}, errPath);
    const bool shown = FindShowWindow(display, 30) != 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(2000));
    const bool runningOn = Running(pid);
    kill(pid, SIGTERM);
    const int code = WaitExit(pid, 60);
    const std::string err = ReadAll(errPath);

    ASSERT_TRUE(shown) << err;
    EXPECT_TRUE(runningOn) << "the show ended without its sound device: " << err;
    EXPECT_EQ(code, 1) << err;
    EXPECT_NE(err.find("playing without music"), std::string::npos) << err;
}
