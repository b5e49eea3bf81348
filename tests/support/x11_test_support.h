// X11 helpers for tests: a patient connection, a lock that keeps tests with
// full-screen windows apart, XRandR helpers that read the first output's
// mode and give it a 640x480 mode line, so the display-mode switch can run
// under Xvfb, window and cursor queries, and a fixture for tests that run the
// real program under the X server.
#pragma once

// gtest first: Xlib defines None and Bool as macros.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>
#include <X11/extensions/Xrandr.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

namespace x11_test {

// Held by every test that opens a full-screen window or changes modes: ctest
// runs tests in parallel against one X server, and a mode switch made by one
// test would change what another test's switch finds and restores.
class DisplayLock {
public:
    DisplayLock() : fd(open("/tmp/orvdemo-display-tests.lock", O_RDWR | O_CREAT | O_CLOEXEC, 0666))
    {
        if (fd >= 0)
            flock(fd, LOCK_EX);
    }
    ~DisplayLock()
    {
        if (fd >= 0)
            close(fd);
    }
    DisplayLock(const DisplayLock&) = delete;
    DisplayLock& operator=(const DisplayLock&) = delete;

private:
    int fd;
};

// Opens the default display, retrying for a second: Xvfb started without
// -noreset refuses connections while it resets after its last client left.
inline Display* OpenDisplayPatiently()
{
    for (int i = 0; i < 20; ++i) {
        if (Display* display = XOpenDisplay(nullptr))
            return display;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return nullptr;
}

inline int lastTestError = 0;

// Records the error instead of ending the test.
inline int RecordXError(Display*, XErrorEvent* event)
{
    lastTestError = event->error_code;
    return 0;
}

// Mode of the CRTC that drives the first output, and that output.
struct CrtcMode {
    RROutput output = None;
    RRMode mode = None;
    unsigned width = 0;
    unsigned height = 0;
};

inline CrtcMode CurrentCrtcMode(Display* display)
{
    CrtcMode current;
    XRRScreenResources* res = XRRGetScreenResourcesCurrent(display, DefaultRootWindow(display));
    if (!res || res->noutput == 0)
        return current;
    current.output = res->outputs[0];
    XRROutputInfo* out = XRRGetOutputInfo(display, res, current.output);
    if (out && out->crtc != None) {
        XRRCrtcInfo* crtc = XRRGetCrtcInfo(display, res, out->crtc);
        current.mode = crtc->mode;
        current.width = crtc->width;
        current.height = crtc->height;
        XRRFreeCrtcInfo(crtc);
    }
    if (out)
        XRRFreeOutputInfo(out);
    XRRFreeScreenResources(res);
    return current;
}

// Gives the output a 640x480 75 Hz mode line (None when the server refuses).
inline RRMode AddMode640x480(Display* display, RROutput output)
{
    char name[] = "orv-test-640x480";
    XRRModeInfo info{};
    info.width = 640;
    info.height = 480;
    info.dotClock = 31500000;
    info.hSyncStart = 656;
    info.hSyncEnd = 720;
    info.hTotal = 840;
    info.vSyncStart = 481;
    info.vSyncEnd = 484;
    info.vTotal = 500;
    info.name = name;
    info.nameLength = sizeof name - 1;
    auto previous = XSetErrorHandler(RecordXError);
    lastTestError = 0;
    RRMode mode = XRRCreateMode(display, DefaultRootWindow(display), &info);
    XSync(display, False);
    if (lastTestError == 0)
        XRRAddOutputMode(display, output, mode);
    XSync(display, False);
    XSetErrorHandler(previous);
    return lastTestError == 0 ? mode : None;
}

inline void RemoveMode(Display* display, RROutput output, RRMode mode)
{
    auto previous = XSetErrorHandler(RecordXError);
    XRRDeleteOutputMode(display, output, mode);
    XRRDestroyMode(display, mode);
    XSync(display, False);
    XSetErrorHandler(previous);
}

// The first output's mode and a 640x480 mode line added to it for one test,
// removed again at its end; `skipReason` says why no line could be added.
struct ModeLine640x480 {
    explicit ModeLine640x480(Display* display) : display(display), before(CurrentCrtcMode(display))
    {
        if (before.mode == None)
            skipReason = "server has no RandR output with a CRTC";
        else if ((added = AddMode640x480(display, before.output)) == None)
            skipReason = "server refuses new RandR modes";
    }
    ~ModeLine640x480()
    {
        if (added != None)
            RemoveMode(display, before.output, added);
    }
    ModeLine640x480(const ModeLine640x480&) = delete;
    ModeLine640x480& operator=(const ModeLine640x480&) = delete;

    Display* display;
    CrtcMode before;
    RRMode added = None;
    const char* skipReason = nullptr;
};

// Lets a query about a window that is gone fail instead of ending the test.
inline int IgnoreXError(Display*, XErrorEvent*) { return 0; }

// The top-level window titled `title`, waiting up to `seconds` for it to appear.
inline Window FindWindow(Display* display, const char* title, int seconds)
{
    for (int i = 0; i < seconds * 20; ++i) {
        Window root = 0, parent = 0, *children = nullptr;
        unsigned count = 0;
        Window found = 0;
        if (XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count)) {
            for (unsigned c = 0; c < count && !found; ++c) {
                char* name = nullptr;
                if (XFetchName(display, children[c], &name) && name) {
                    if (std::string(name) == title)
                        found = children[c];
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

// True when the cursor shown at (10, 10) on the screen has no visible pixel (needs Xfixes).
inline bool CursorInvisibleAt10x10(Display* display)
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

// A test that runs the real program: its own X connection with the display
// held for the test and X errors ignored, and `errPath` for the program's stderr.
class ProgramTest : public ::testing::Test {
protected:
    explicit ProgramTest(const char* errName)
        : errPath(::testing::TempDir() + errName + std::to_string(getpid()))
    {
    }
    void SetUp() override
    {
        display = OpenDisplayPatiently();
        ASSERT_NE(display, nullptr) << "needs an X server (run under xvfb-run)";
        XSetErrorHandler(IgnoreXError);
    }
    void TearDown() override
    {
        if (display)
            XCloseDisplay(display);
        std::remove(errPath.c_str());
    }

    DisplayLock lock;
    Display* display = nullptr;
    const std::string errPath;
};

}  // namespace x11_test
