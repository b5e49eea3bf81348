// X11 helpers for tests: a patient connection, a lock that keeps tests with
// full-screen windows apart, and XRandR helpers that read the first output's
// mode and give it a 640x480 mode line, so the display-mode switch can run
// under Xvfb.
#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
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

}  // namespace x11_test
