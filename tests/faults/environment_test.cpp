// Hostile surroundings for the real program under an X server: SIGTERM in the
// middle of a full-screen show with a real display-mode switch, and a machine
// without a sound device. (No X display at all is covered with the program's
// other process tests.)
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
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

// Every signal that would end the program must end it as SIGTERM does, with
// the switched mode put back by the program itself.
TEST_F(Environment, EveryEndingSignalRestoresTheSwitchedMode)
{
    using namespace x11_test;
    const ModeLine640x480 modeLine(display);
    if (modeLine.skipReason)
        GTEST_SKIP() << modeLine.skipReason;
    for (int sig : {SIGHUP, SIGQUIT, SIGUSR1, SIGPIPE, SIGALRM}) {
        const pid_t pid = Start({"s"}, {}, errPath);
        ASSERT_NE(FindShowWindow(display, 30), 0u) << ReadAll(errPath);
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        const CrtcMode during = CurrentCrtcMode(display);
        kill(pid, sig);
        const int code = WaitExit(pid, 60);
        const CrtcMode after = CurrentCrtcMode(display);
        EXPECT_EQ(during.mode, modeLine.added) << strsignal(sig);
        EXPECT_EQ(code, 1) << strsignal(sig) << ": " << ReadAll(errPath);
        EXPECT_EQ(after.mode, modeLine.before.mode) << strsignal(sig);
    }
}

// A program killed outright cannot restore anything: its guardian process must,
// both in the middle of the show and while the scenes are still loading.
TEST_F(Environment, SigkillLeavesTheModeToTheGuardianWithinASecond)
{
    using namespace x11_test;
    const ModeLine640x480 modeLine(display);
    if (modeLine.skipReason)
        GTEST_SKIP() << modeLine.skipReason;
    for (int settleMs : {1500, 0}) {  // mid-show; as soon as the window is up, loading
        const pid_t pid = Start({"s"}, {}, errPath);
        ASSERT_NE(FindShowWindow(display, 30), 0u) << ReadAll(errPath);
        std::this_thread::sleep_for(std::chrono::milliseconds(settleMs));
        const CrtcMode during = CurrentCrtcMode(display);
        kill(pid, SIGKILL);
        WaitExit(pid, 60);
        CrtcMode after = CurrentCrtcMode(display);
        for (int i = 0; i < 100 && after.mode != modeLine.before.mode; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            after = CurrentCrtcMode(display);
        }
        EXPECT_EQ(during.mode, modeLine.added) << "after " << settleMs << " ms";
        EXPECT_EQ(after.mode, modeLine.before.mode) << "mode still switched a second after SIGKILL (" << settleMs
                                                    << " ms in): " << ReadAll(errPath);
    }
}
