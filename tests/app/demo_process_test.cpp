// gtest first: Xlib defines None and Bool as macros.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <iterator>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "framework/png_image.h"
#include "show/show_constants.h"
#include "support/files.h"
#include "support/process.h"
#include "support/x11_test_support.h"

using x11_test::FindWindow;
using x11_test::IgnoreXError;

namespace {

const char* kProgram = ORV_BINARY_DIR "/app/orvdemo";

// The show's data set when it has been generated, else an empty directory.
std::string WorkingDirectory()
{
    struct stat st {};
    if (stat(ORV_DATA_DIR, &st) == 0 && S_ISDIR(st.st_mode))
        return ORV_DATA_DIR;
    return ::testing::TempDir();
}

// Runs orvdemo with `args` in the data directory; stderr goes to `errPath`.
// `displayName` replaces DISPLAY when given.
pid_t Start(const std::vector<std::string>& args, const std::string& errPath, bool withDisplay,
            const std::string& displayName = "")
{
    return StartProgram(kProgram, args, WorkingDirectory(), errPath, [&] {
        if (!withDisplay)
            unsetenv("DISPLAY");
        if (!displayName.empty())
            setenv("DISPLAY", displayName.c_str(), 1);
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", (errPath + ".audio").c_str(), 1);
    });
}

void SendKey(Display* display, Window window, KeySym key)
{
    XEvent event{};
    event.xkey.type = KeyPress;
    event.xkey.window = window;
    event.xkey.root = DefaultRootWindow(display);
    event.xkey.keycode = XKeysymToKeycode(display, key);
    event.xkey.same_screen = True;
    XSendEvent(display, window, True, KeyPressMask, &event);
    XFlush(display);
}

void SendEscape(Display* display, Window window) { SendKey(display, window, XK_Escape); }

// An Xvfb of its own with a wide screen, so a desktop window gets bars left and right.
class PrivateServer {
public:
    PrivateServer(int width, int height)
    {
        int fds[2];
        if (pipe(fds) != 0)
            return;
        pid = fork();
        if (pid == 0) {
            dup2(fds[1], 3);
            int devnull = open("/dev/null", O_WRONLY);
            dup2(devnull, 1);
            dup2(devnull, 2);
            const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
            execlp("Xvfb", "Xvfb", "-displayfd", "3", "-screen", "0", screen.c_str(), "-nolisten", "tcp",
                   static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        // Xvfb writes the number and its newline in two writes and dies if the
        // second finds the pipe closed: read up to the newline.
        std::string number;
        char c = 0;
        while (read(fds[0], &c, 1) == 1 && c != '\n')
            number += c;
        close(fds[0]);
        if (c == '\n' && !number.empty())
            name = ":" + number;
    }
    ~PrivateServer()
    {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    }
    std::string name;  // empty when the server did not start

private:
    pid_t pid = -1;
};

// Lit pixels (any channel above 8) in columns [x0, x1) of a screen image.
int LitInColumns(XImage* image, int x0, int x1)
{
    int lit = 0;
    for (int y = 0; y < image->height; ++y)
        for (int x = x0; x < x1; ++x) {
            unsigned long p = XGetPixel(image, x, y);
            lit += ((p >> 16) & 0xff) > 8 || ((p >> 8) & 0xff) > 8 || (p & 0xff) > 8;
        }
    return lit;
}

// Samples louder than the noise floor in the float samples of `path`.
size_t LoudSamples(const std::string& path)
{
    std::ifstream played(path, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(played)), std::istreambuf_iterator<char>());
    size_t loud = 0;
    for (size_t i = 0; i + sizeof(float) <= bytes.size(); i += sizeof(float)) {
        float sample = 0;
        std::memcpy(&sample, &bytes[i], sizeof sample);
        loud += std::fabs(sample) > 0.01f;
    }
    return loud;
}

// Waits up to `seconds` for `done`, checking every 10 ms; its last answer.
bool WaitFor(const std::function<bool()>& done, int seconds)
{
    for (int i = 0; i < seconds * 100; ++i) {
        if (done())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return done();
}

// True once `window` is mapped and viewable: the show is drawing into it.
bool Viewable(Display* display, Window window)
{
    XWindowAttributes attrs{};
    return XGetWindowAttributes(display, window, &attrs) && attrs.map_state == IsViewable;
}

// True once `window` shows a lit pixel: the show is drawing into it.
bool DrawnInto(Display* display, Window window)
{
    XWindowAttributes attrs{};
    if (!XGetWindowAttributes(display, window, &attrs) || attrs.map_state != IsViewable)
        return false;
    XImage* image = XGetImage(display, window, 0, 0, attrs.width, attrs.height, AllPlanes, ZPixmap);
    if (!image)
        return false;
    const bool lit = LitInColumns(image, 0, attrs.width) > 0;
    XDestroyImage(image);
    return lit;
}

class DemoProcess : public x11_test::ProgramTest {
protected:
    DemoProcess() : ProgramTest("orvdemo_stderr_") {}
};

}  // namespace

TEST_F(DemoProcess, SigtermEndsTheShowThroughTheNormalShutdown)
{
    pid_t pid = Start({"s"}, errPath, true);
    Window window = FindWindow(display, OrvWindowTitle, 30);
    ASSERT_NE(window, 0u) << ReadAll(errPath);
    kill(pid, SIGTERM);
    EXPECT_EQ(WaitExit(pid, 120), 1) << ReadAll(errPath);
    XSync(display, False);
    XWindowAttributes attrs{};
    EXPECT_EQ(XGetWindowAttributes(display, window, &attrs), 0) << "window left behind";
}

TEST(DemoProcessNoDisplay, MissingXServerIsFatalWithExitCode2)
{
    std::string errPath = ::testing::TempDir() + "orvdemo_nodisplay_" + std::to_string(getpid());
    pid_t pid = Start({"s"}, errPath, false);
    EXPECT_EQ(WaitExit(pid, 60), 2);
    EXPECT_EQ(ReadAll(errPath), "OrvWindow::Create: XOpenDisplay failed!\n");
    std::remove(errPath.c_str());
}

TEST_F(DemoProcess, LostXConnectionRestoresTheDisplayModeAndExits2)
{
    using namespace x11_test;
    const ModeLine640x480 modeLine(display);
    if (modeLine.skipReason)
        GTEST_SKIP() << modeLine.skipReason;

    pid_t pid = Start({"s"}, errPath, true);
    Window window = FindWindow(display, OrvWindowTitle, 30);
    ASSERT_NE(window, 0u) << ReadAll(errPath);
    CrtcMode during = CurrentCrtcMode(display);
    XKillClient(display, window);  // cuts the connection of the window's owner
    XSync(display, False);
    int code = WaitExit(pid, 60);
    CrtcMode after = CurrentCrtcMode(display);

    EXPECT_EQ(during.mode, modeLine.added);
    EXPECT_EQ(code, 2);
    EXPECT_NE(ReadAll(errPath).find("connection to the X server lost"), std::string::npos) << ReadAll(errPath);
    EXPECT_EQ(after.mode, modeLine.before.mode);
}

// Another client destroying the window ends the show as closing it does, also
// with --loop: the display mode comes back, the exit code is the close's, and
// the frames drawn on the lost window do not fill stderr with X errors.
TEST_F(DemoProcess, WindowDestroyedByAnotherClientEndsTheLoopingShowAsAClose)
{
    using namespace x11_test;
    const ModeLine640x480 modeLine(display);  // without one the window is borderless on the desktop mode

    pid_t pid = Start({"--loop", "s"}, errPath, true);
    Window window = FindWindow(display, OrvWindowTitle, 30);
    ASSERT_NE(window, 0u) << ReadAll(errPath);
    // Destroyed once the show draws into it (and the mode, where the server has it, is switched).
    EXPECT_TRUE(WaitFor([&] {
        return DrawnInto(display, window) &&
               (modeLine.skipReason || CurrentCrtcMode(display).mode == modeLine.added);
    }, 60)) << "the show never drew into its window";
    const CrtcMode during = CurrentCrtcMode(display);
    XDestroyWindow(display, window);
    XSync(display, False);
    const int code = WaitExit(pid, 60);
    const CrtcMode after = CurrentCrtcMode(display);

    EXPECT_EQ(code, 1) << ReadAll(errPath);
    EXPECT_EQ(ReadAll(errPath).find("X error"), std::string::npos) << ReadAll(errPath);
    if (modeLine.skipReason)
        GTEST_SKIP() << "the display mode is not checked: " << modeLine.skipReason;
    EXPECT_EQ(during.mode, modeLine.added);
    EXPECT_EQ(after.mode, modeLine.before.mode);
}

TEST_F(DemoProcess, EscapeExits1AndLowerCaseSNeverOpensTheSoundDevice)
{
    std::string audio = errPath + ".audio";
    std::remove(audio.c_str());
    // The music, or none, is settled before the window opens.
    pid_t pid = Start({"nosound"}, errPath, true);
    Window window = FindWindow(display, OrvWindowTitle, 30);
    ASSERT_NE(window, 0u) << ReadAll(errPath);
    SendEscape(display, window);
    EXPECT_EQ(WaitExit(pid, 120), 1) << ReadAll(errPath);
    EXPECT_NE(access(audio.c_str(), F_OK), 0) << "sound device opened despite 's'";

    std::ifstream module(WorkingDirectory() + "/Tuvari.xm");
    if (!module)
        GTEST_SKIP() << "no generated data set with the music module";
    pid = Start({"S"}, errPath, true);
    window = FindWindow(display, OrvWindowTitle, 30);
    ASSERT_NE(window, 0u) << ReadAll(errPath);
    WaitFor([&] { return LoudSamples(audio) > 0; }, 30);
    SendEscape(display, window);
    EXPECT_EQ(WaitExit(pid, 120), 1) << ReadAll(errPath);
    const size_t loud = LoudSamples(audio);
    std::remove(audio.c_str());
    EXPECT_GT(loud, 0u) << "nothing audible played";
}

TEST_F(DemoProcess, WindowOptionOpensADecoratedWindowWithoutModeChangeOrMusic)
{
    using namespace x11_test;
    const ModeLine640x480 modeLine(display);  // a 640x480 mode the show could switch to, when the server allows
    std::string audio = errPath + ".audio";
    std::remove(audio.c_str());

    pid_t pid = Start({"--window", "s"}, errPath, true);
    Window window = FindWindow(display, OrvWindowTitle, 30);
    ASSERT_NE(window, 0u) << ReadAll(errPath);
    EXPECT_TRUE(WaitFor([&] { return Viewable(display, window); }, 30)) << "the window was never mapped";
    XWindowAttributes attrs{};
    XGetWindowAttributes(display, window, &attrs);
    CrtcMode during = CurrentCrtcMode(display);
    SendEscape(display, window);
    EXPECT_EQ(WaitExit(pid, 120), 1) << ReadAll(errPath);

    EXPECT_FALSE(attrs.override_redirect) << "a managed, decorated window was asked for";
    EXPECT_EQ(attrs.width, 640);
    EXPECT_EQ(attrs.height, 480);
    EXPECT_EQ(during.mode, modeLine.before.mode) << "--window changed the display mode";
    EXPECT_NE(access(audio.c_str(), F_OK), 0) << "sound device opened despite 's'";
}

TEST(DemoProcessDesktop, DesktopCoversTheScreenWithTheFourThirdsPictureBetweenBlackBars)
{
    PrivateServer server(800, 450);
    if (server.name.empty())
        GTEST_SKIP() << "cannot start an Xvfb of its own";
    Display* display = nullptr;
    for (int i = 0; i < 50 && !display; ++i) {
        display = XOpenDisplay(server.name.c_str());
        if (!display)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ASSERT_NE(display, nullptr) << server.name;
    XSetErrorHandler(IgnoreXError);
    const std::string errPath = ::testing::TempDir() + "orvdemo_desktop_" + std::to_string(getpid());
    pid_t pid = Start({"--desktop", "s"}, errPath, true, server.name);
    Window window = FindWindow(display, OrvWindowTitle, 30);
    ASSERT_NE(window, 0u) << ReadAll(errPath);

    XWindowAttributes attrs{};
    XGetWindowAttributes(display, window, &attrs);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* state = nullptr;
    XGetWindowProperty(display, window, XInternAtom(display, "_NET_WM_STATE", False), 0, 4, False, XA_ATOM,
                       &type, &format, &count, &after, &state);
    const bool fullscreenState = state && count == 1 &&
        reinterpret_cast<Atom*>(state)[0] == XInternAtom(display, "_NET_WM_STATE_FULLSCREEN", False);
    if (state)
        XFree(state);

    // Waits for a frame that fills the 600 x 450 picture to its left edge (Tunneli does; Intro does not).
    int barsLit = -1, edgeLit = 0;
    for (int i = 0; i < 600 && edgeLit < 450 / 4; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        XImage* image = XGetImage(display, DefaultRootWindow(display), 0, 0, 800, 450, AllPlanes, ZPixmap);
        if (!image)
            continue;
        edgeLit = LitInColumns(image, 100, 104);
        barsLit = LitInColumns(image, 0, 100) + LitInColumns(image, 700, 800);
        XDestroyImage(image);
    }
    kill(pid, SIGTERM);
    EXPECT_EQ(WaitExit(pid, 120), 1) << ReadAll(errPath);
    XCloseDisplay(display);
    std::remove(errPath.c_str());

    EXPECT_EQ(attrs.x, 0);
    EXPECT_EQ(attrs.y, 0);
    EXPECT_EQ(attrs.width, 800);
    EXPECT_EQ(attrs.height, 450);
    EXPECT_FALSE(attrs.override_redirect) << "the window manager is asked through _NET_WM_STATE";
    EXPECT_TRUE(fullscreenState) << "_NET_WM_STATE is not _NET_WM_STATE_FULLSCREEN";
    ASSERT_GE(edgeLit, 450 / 4) << "no frame filled the 4:3 picture";
    EXPECT_EQ(barsLit, 0) << "the picture is stretched over the bars";
}

// --frames N is honoured outside the capture too: the live show ends by itself
// after N frames, as after a quit.
TEST_F(DemoProcess, FramesEndsTheLiveShowAfterThatManyFrames)
{
    const pid_t pid = Start({"--window", "--frames", "10", "s"}, errPath, true);
    EXPECT_EQ(WaitExit(pid, 60), 1) << ReadAll(errPath);
}

// The live show's keys: F12 saves the frame on screen where the program was
// started, in a file of its own (a link holding the first name, even one to
// nowhere, is passed over, never written through); Right moves on to a later
// scene (another picture); Space holds the show, so two pictures taken while
// it is held are the same, and show the scene (what a window shows may read
// back black, so the held picture must come from a frame as it was drawn).
TEST_F(DemoProcess, KeysSkipScenesHoldTheShowAndSaveFrames)
{
    char pattern[] = "/tmp/orv-keys-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string dir = pattern;
    const std::string linkTarget = dir + "/elsewhere.png";
    ASSERT_EQ(symlink(linkTarget.c_str(), (dir + "/orvdemo-0001.png").c_str()), 0);
    const pid_t pid = StartProgram(kProgram, {"--window", "--data", ORV_DATA_DIR, "s"}, dir, errPath);
    const Window window = FindWindow(display, OrvWindowTitle, 30);
    ASSERT_NE(window, 0u) << ReadAll(errPath);
    // F12 and the keys before it are handled in the order sent; the picture is
    // whole once the program says it saved it.
    int next = 2;
    std::string lastShot;
    const auto shot = [&] {
        SendKey(display, window, XK_F12);
        char name[32];
        std::snprintf(name, sizeof name, "/orvdemo-%04d.png", next++);
        lastShot = dir + name;
        const std::string said = "saved the frame on screen to " + lastShot + "\n";
        if (!WaitFor([&] { return ReadAll(errPath).find(said) != std::string::npos; }, 30))
            return std::string();
        return ReadAll(lastShot);
    };
    // The first frames of the show may still be black: the show has begun once a picture holds something.
    std::string intro = shot();
    for (int i = 0; i < 50 && !intro.empty() && intro.size() <= 1000; ++i)
        intro = shot();
    SendKey(display, window, XK_Right);
    SendKey(display, window, XK_Right);
    const std::string later = shot();
    SendKey(display, window, XK_space);
    const std::string held1 = shot();
    std::vector<unsigned char> heldRgb;
    int heldWidth = 0, heldHeight = 0;
    std::string pngError;
    const bool heldRead = ReadPNG(lastShot, &heldRgb, &heldWidth, &heldHeight, &pngError);
    // Time passes while the show is held: the next picture must not have moved on.
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    const std::string held2 = shot();
    SendKey(display, window, XK_space);
    SendEscape(display, window);
    EXPECT_EQ(WaitExit(pid, 60), 1) << ReadAll(errPath);
    const bool wroteThroughLink = access(linkTarget.c_str(), F_OK) == 0;
    std::system(("rm -rf '" + dir + "'").c_str());

    EXPECT_FALSE(wroteThroughLink) << "F12 followed the link in orvdemo-0001.png";
    ASSERT_GT(intro.size(), 1000u) << ReadAll(errPath);
    EXPECT_NE(intro, later) << "Right did not move the show on";
    ASSERT_GT(held1.size(), 1000u);
    EXPECT_EQ(held1, held2) << "the show moved on while held";
    ASSERT_TRUE(heldRead) << pngError;
    EXPECT_TRUE(std::any_of(heldRgb.begin(), heldRgb.end(), [](unsigned char c) { return c > 16; }))
        << "the picture saved while held is black";
    EXPECT_NE(ReadAll(errPath).find("saved the frame on screen to " + dir + "/orvdemo-0002.png"),
              std::string::npos)
        << ReadAll(errPath);
}
