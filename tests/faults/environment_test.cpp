// Hostile surroundings for the real program under an X server: SIGTERM in the
// middle of a full-screen show with a real display-mode switch, and a machine
// without a sound device. (No X display at all is covered with the program's
// other process tests.)
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "framework/x11_test_support.h"

namespace {

const char* kProgram = ORV_BINARY_DIR "/app/orvdemo";
const char* kTitle = "Portable Orv test";

// Starts orvdemo in the data directory with `args` and extra environment; stderr goes to `errPath`.
pid_t Start(const std::vector<std::string>& args, const std::vector<std::pair<const char*, const char*>>& env,
            const std::string& errPath)
{
    const pid_t pid = fork();
    if (pid != 0)
        return pid;
    for (const auto& [name, value] : env)
        setenv(name, value, 1);
    if (chdir(ORV_DATA_DIR) != 0)
        _exit(100);
    const int devnull = open("/dev/null", O_WRONLY);
    const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(devnull, 1);
    dup2(err, 2);
    std::vector<char*> argv{const_cast<char*>(kProgram)};
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(kProgram, argv.data());
    _exit(101);
}

// Exit code of `pid` within `seconds` (128 + signal when killed); -1 and killed when still running.
int WaitExit(pid_t pid, int seconds)
{
    for (int i = 0; i < seconds * 100; ++i) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return -1;
}

bool Running(pid_t pid) { return waitpid(pid, nullptr, WNOHANG) == 0; }

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The top-level window with the show's title, waiting up to `seconds`.
Window FindShowWindow(Display* display, int seconds)
{
    for (int i = 0; i < seconds * 20; ++i) {
        Window root = 0, parent = 0, *children = nullptr;
        unsigned count = 0;
        Window found = 0;
        if (XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count)) {
            for (unsigned c = 0; c < count && !found; ++c) {
                char* name = nullptr;
                if (XFetchName(display, children[c], &name) && name) {
                    found = std::string(name) == kTitle ? children[c] : 0;
                    XFree(name);
                }
            }
            XFree(children);
        }
        if (found)
            return found;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return 0;
}

// True when the cursor shown at (10, 10) has no visible pixel.
bool CursorInvisibleAt10x10(Display* display)
{
    XWarpPointer(display, None, DefaultRootWindow(display), 0, 0, 0, 0, 10, 10);
    XSync(display, False);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    XFixesCursorImage* image = XFixesGetCursorImage(display);
    if (!image)
        return false;
    bool invisible = true;
    for (int i = 0; i < image->width * image->height; ++i)
        invisible = invisible && (image->pixels[i] >> 24) == 0;
    XFree(image);
    return invisible;
}

int IgnoreXError(Display*, XErrorEvent*) { return 0; }

class Environment : public ::testing::Test {
protected:
    void SetUp() override
    {
        display = x11_test::OpenDisplayPatiently();
        ASSERT_NE(display, nullptr) << "needs an X server (run under xvfb-run)";
        XSetErrorHandler(IgnoreXError);
        errPath = ::testing::TempDir() + "orvdemo_env_" + std::to_string(getpid());
    }
    void TearDown() override
    {
        if (display)
            XCloseDisplay(display);
        std::remove(errPath.c_str());
    }
    x11_test::DisplayLock lock;
    Display* display = nullptr;
    std::string errPath;
};

}  // namespace

TEST_F(Environment, SigtermMidShowRestoresTheSwitchedModeAndTheCursor)
{
    using namespace x11_test;
    const CrtcMode before = CurrentCrtcMode(display);
    if (before.mode == None)
        GTEST_SKIP() << "server has no RandR output with a CRTC";
    const RRMode added = AddMode640x480(display, before.output);
    if (added == None)
        GTEST_SKIP() << "server refuses new RandR modes";
    XSetErrorHandler(IgnoreXError);

    const pid_t pid = Start({"s"}, {}, errPath);
    const bool shown = FindShowWindow(display, 30) != 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));  // well into the first scene
    const CrtcMode during = CurrentCrtcMode(display);
    const bool hiddenDuring = CursorInvisibleAt10x10(display);
    kill(pid, SIGTERM);
    const int code = WaitExit(pid, 60);
    const CrtcMode after = CurrentCrtcMode(display);
    const bool hiddenAfter = CursorInvisibleAt10x10(display);
    RemoveMode(display, before.output, added);

    ASSERT_TRUE(shown) << ReadAll(errPath);
    EXPECT_EQ(during.mode, added) << "the show never switched the mode";
    EXPECT_TRUE(hiddenDuring);
    EXPECT_EQ(code, 1) << ReadAll(errPath);
    EXPECT_EQ(after.mode, before.mode);
    EXPECT_EQ(after.width, before.width);
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
