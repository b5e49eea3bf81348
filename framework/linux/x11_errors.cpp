#include "framework/linux/x11_errors.h"

#include <X11/Xlib.h>

#include <atomic>
#include <cstdio>

namespace {

thread_local bool trapping = false;
thread_local int trappedError = 0;
std::atomic<OrvXErrorFilter> filter{nullptr};

// Records the error for an active trap; otherwise reports it, unless the filter
// claims it, and lets the show go on.
int OnXError(Display* display, XErrorEvent* event)
{
    if (trapping) {
        if (trappedError == 0)
            trappedError = event->error_code;
        return 0;
    }
    const OrvXErrorFilter claim = filter.load(std::memory_order_acquire);
    if (claim && claim(event->resourceid, event->error_code))
        return 0;
    char text[256] = "";
    XGetErrorText(display, event->error_code, text, sizeof text);
    std::fprintf(stderr, "OrvWindow: X error %s (request %d.%d)\n", text, event->request_code,
                 event->minor_code);
    return 0;
}

}  // namespace

void OrvInstallXErrorHandler()
{
    XSetErrorHandler(OnXError);
}

void OrvFilterXErrors(OrvXErrorFilter f)
{
    filter.store(f, std::memory_order_release);
}

void OrvTrapXErrors()
{
    trapping = true;
    trappedError = 0;
}

int OrvUntrapXErrors(Display* display)
{
    XSync(display, False);
    trapping = false;
    return trappedError;
}
