// gtest first: Xlib defines None and Bool as macros.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glx.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <dirent.h>
#include <signal.h>

#include <chrono>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include "framework/linux/display_mode.h"
#include "framework/window.h"
#include "support/x11_test_support.h"

using namespace x11_test;

namespace {

// The test's own X connection, as another client would see the window.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        display = x11_test::OpenDisplayPatiently();
        ASSERT_NE(display, nullptr) << "needs an X server (run under xvfb-run)";
    }
    void TearDown() override
    {
        if (display)
            XCloseDisplay(display);
    }

    XWindowAttributes Attributes(unsigned long window)
    {
        XWindowAttributes attrs{};
        XSync(display, False);
        EXPECT_NE(XGetWindowAttributes(display, window, &attrs), 0);
        return attrs;
    }

    // A key press as if typed into the window.
    void SendKey(unsigned long window, KeySym sym, unsigned state = 0)
    {
        XEvent event{};
        event.xkey.type = KeyPress;
        event.xkey.display = display;
        event.xkey.window = window;
        event.xkey.root = DefaultRootWindow(display);
        event.xkey.keycode = XKeysymToKeycode(display, sym);
        event.xkey.state = state;
        event.xkey.same_screen = True;
        XSendEvent(display, window, True, KeyPressMask, &event);
        XFlush(display);
    }

    // The window manager's close request.
    void SendClose(unsigned long window)
    {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
        event.xclient.data.l[1] = CurrentTime;
        XSendEvent(display, window, False, NoEventMask, &event);
        XFlush(display);
    }

    x11_test::DisplayLock lock;
    Display* display = nullptr;
};

// Waits up to two seconds for the window thread to raise quit.
bool QuitWithin2s(const OrvWindow& window)
{
    for (int i = 0; i < 200 && !window.QuitRequested(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return window.QuitRequested();
}

// Threads of this process named like the window thread (GL drivers start threads of their own).
int WindowThreads()
{
    int count = 0;
    if (DIR* dir = opendir("/proc/self/task")) {
        while (dirent* entry = readdir(dir)) {
            if (entry->d_name[0] == '.')
                continue;
            std::ifstream comm(std::string("/proc/self/task/") + entry->d_name + "/comm");
            std::string name;
            std::getline(comm, name);
            count += name == "OrvWindow";
        }
        closedir(dir);
    }
    return count;
}

}  // namespace

TEST_F(WindowTest, WindowedCreateGivesCurrentDoubleBufferedContextWithStencil)
{
    OrvWindow window("orv windowed");
    EXPECT_EQ(window.Create(320, 240, 32, 0), 1);
    EXPECT_NE(glXGetCurrentContext(), nullptr);
    GLint stencil = 0, depth = 0;
    GLboolean doubleBuffer = GL_FALSE;
    glGetIntegerv(GL_STENCIL_BITS, &stencil);
    glGetIntegerv(GL_DEPTH_BITS, &depth);
    glGetBooleanv(GL_DOUBLEBUFFER, &doubleBuffer);
    EXPECT_GE(stencil, 1);
    EXPECT_GE(depth, 16);
    EXPECT_TRUE(doubleBuffer);

    XWindowAttributes attrs = Attributes(window.WindowId());
    EXPECT_EQ(attrs.width, 320);
    EXPECT_EQ(attrs.height, 240);
    EXPECT_FALSE(attrs.override_redirect);
    EXPECT_EQ(attrs.map_state, IsViewable);
    EXPECT_FALSE(window.ModeSwitched());

    glClearColor(0, 1, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    unsigned char pixel[4] = {};
    glReadPixels(10, 10, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    EXPECT_EQ(pixel[1], 255);
    window.Swap();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(WindowTest, SamplesAskedForGiveAMultisampledVisualAndNoneByDefault)
{
    {
        OrvWindow plain("orv plain");
        ASSERT_EQ(plain.Create(160, 120, 32, 0), 1);
        GLint buffers = -1;
        glGetIntegerv(GL_SAMPLE_BUFFERS, &buffers);
        EXPECT_EQ(buffers, 0) << "the default visual must stay single-sampled";
        EXPECT_EQ(plain.Samples(), 0);
    }
    OrvWindow smooth("orv smooth");
    smooth.SetPicture(4, 1);
    ASSERT_EQ(smooth.Create(160, 120, 32, 0), 1);
    GLint buffers = 0, samples = 0, stencil = 0;
    glGetIntegerv(GL_SAMPLE_BUFFERS, &buffers);
    glGetIntegerv(GL_SAMPLES, &samples);
    glGetIntegerv(GL_STENCIL_BITS, &stencil);
    if (smooth.Samples() == 0)
        GTEST_SKIP() << "this X server offers no multisampled visual";
    EXPECT_EQ(buffers, 1);
    EXPECT_EQ(samples, smooth.Samples());
    EXPECT_LE(smooth.Samples(), 4);
    EXPECT_GE(stencil, 1) << "the mirror scene needs its stencil bit with samples too";
    EXPECT_TRUE(glIsEnabled(GL_MULTISAMPLE));
}

TEST_F(WindowTest, FullscreenWithoutTheModeFallsBackToBorderless640x480AtOrigin)
{
    Screen* screen = DefaultScreenOfDisplay(display);
    int screenWidth = WidthOfScreen(screen), screenHeight = HeightOfScreen(screen);
    {
        OrvWindow window("orv fullscreen");
        window.Create(640, 480, 32, 1);
        XWindowAttributes attrs = Attributes(window.WindowId());
        EXPECT_TRUE(attrs.override_redirect);
        EXPECT_EQ(attrs.x, 0);
        EXPECT_EQ(attrs.y, 0);
        EXPECT_EQ(attrs.width, 640);
        EXPECT_EQ(attrs.height, 480);
        GLint stencil = 0;
        glGetIntegerv(GL_STENCIL_BITS, &stencil);
        EXPECT_GE(stencil, 1);
    }
    XSync(display, False);
    Screen* after = DefaultScreenOfDisplay(display);
    EXPECT_EQ(WidthOfScreen(after), screenWidth);
    EXPECT_EQ(HeightOfScreen(after), screenHeight);
}

TEST_F(WindowTest, EscapeRaisesQuitForGoodAndOtherKeysDoNot)
{
    OrvWindow window("orv keys");
    window.Create(200, 150, 24, 0);
    for (KeySym other : {XK_a, XK_space, XK_F4})  // F4 without Alt
        SendKey(window.WindowId(), other);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_FALSE(window.QuitRequested());
    SendKey(window.WindowId(), XK_Escape);
    EXPECT_TRUE(QuitWithin2s(window));
    SendKey(window.WindowId(), XK_a);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_TRUE(window.QuitRequested());
}

TEST_F(WindowTest, CloseRequestAltF4AndSigtermRaiseQuit)
{
    {
        OrvWindow window("orv close");
        window.Create(200, 150, 32, 0);
        SendClose(window.WindowId());
        EXPECT_TRUE(QuitWithin2s(window)) << "close request";
    }
    {
        OrvWindow window("orv alt-f4");
        window.Create(640, 480, 32, 1);
        SendKey(window.WindowId(), XK_F4, Mod1Mask);
        EXPECT_TRUE(QuitWithin2s(window)) << "Alt+F4";
    }
    OrvWindow window("orv signal");
    window.Create(200, 150, 32, 0);
    raise(SIGTERM);
    EXPECT_TRUE(QuitWithin2s(window)) << "SIGTERM";
}

TEST_F(WindowTest, AWindowNeverCreatedStartsNoThreadAndDestroysHarmlessly)
{
    EXPECT_EQ(WindowThreads(), 0);
    {
        OrvWindow unused("orv unused");
    }
    EXPECT_EQ(WindowThreads(), 0);
}

TEST_F(WindowTest, DestructionDestroysTheWindowAndEndsItsThread)
{
    EXPECT_EQ(WindowThreads(), 0);
    unsigned long id = 0;
    {
        OrvWindow window("orv lifetime");
        window.Create(200, 150, 32, 1);
        id = window.WindowId();
        EXPECT_EQ(WindowThreads(), 1);
        EXPECT_EQ(Attributes(id).map_state, IsViewable);
    }
    EXPECT_EQ(WindowThreads(), 0);
    XWindowAttributes attrs{};
    XSync(display, False);
    EXPECT_EQ(XGetWindowAttributes(display, id, &attrs), 0) << "window still exists";
}

TEST_F(WindowTest, FullscreenSwitchesTheOutputTo640x480AndRestoresTheSameMode)
{
    auto window = std::make_unique<OrvWindow>("orv switch");  // installs the handlers first
    const ModeLine640x480 modeLine(display);
    if (modeLine.skipReason)
        GTEST_SKIP() << modeLine.skipReason;
    window->Create(640, 480, 32, 1);
    bool switched = window->ModeSwitched();
    CrtcMode during = CurrentCrtcMode(display);
    window.reset();
    CrtcMode after = CurrentCrtcMode(display);

    EXPECT_TRUE(switched);
    EXPECT_EQ(during.mode, modeLine.added);
    EXPECT_EQ(during.width, 640u);
    EXPECT_EQ(during.height, 480u);
    EXPECT_EQ(after.mode, modeLine.before.mode);
    EXPECT_EQ(after.width, modeLine.before.width);
    EXPECT_EQ(after.height, modeLine.before.height);
}

// The saved mode is plain server ids: a fresh connection restores it after the
// switching connection is gone, as the lost-connection and crash paths need.
TEST_F(WindowTest, ModeSwitchedOnOneConnectionIsRestoredThroughAnother)
{
    OrvDisplayMode mode;
    mode.Restore(nullptr);  // nothing switched yet: no connection is touched
    mode.RestoreElsewhere();
    const ModeLine640x480 modeLine(display);
    if (modeLine.skipReason)
        GTEST_SKIP() << modeLine.skipReason;
    Display* switcher = XOpenDisplay(nullptr);
    ASSERT_NE(switcher, nullptr);
    ASSERT_TRUE(mode.Switch(switcher, 640, 480, 75.0)) << mode.Error();
    const CrtcMode during = CurrentCrtcMode(display);
    XCloseDisplay(switcher);
    mode.RestoreElsewhere();
    const CrtcMode after = CurrentCrtcMode(display);

    EXPECT_EQ(during.mode, modeLine.added);
    EXPECT_EQ(after.mode, modeLine.before.mode);
    EXPECT_EQ(after.width, modeLine.before.width);
}

TEST_F(WindowTest, FullScreenHidesTheCursorAndWindowedShowsIt)
{
    {
        OrvWindow window("orv cursor hidden");
        window.Create(640, 480, 32, 1);
        EXPECT_TRUE(CursorInvisibleAt10x10(display));
    }
    {
        OrvWindow window("orv desktop cursor hidden");
        window.CreateDesktop(32);
        EXPECT_TRUE(CursorInvisibleAt10x10(display));
        EXPECT_EQ(window.Width(), WidthOfScreen(DefaultScreenOfDisplay(display)));
        EXPECT_EQ(window.Height(), HeightOfScreen(DefaultScreenOfDisplay(display)));
    }
    EXPECT_FALSE(CursorInvisibleAt10x10(display));
    OrvWindow window("orv cursor shown");
    window.Create(640, 480, 32, 0);
    EXPECT_FALSE(CursorInvisibleAt10x10(display));
}
