// The show's window as the options ask for it, shared by the live show and the
// windowed timedemo.
#pragma once

class OrvWindow;
struct OrvOptions;

// Opens `window` with its GL context current on the calling thread: --desktop
// covers the screen at its own mode, --window is a normal 640x480 window, and
// otherwise the display switches to 640x480. --samples asks for a multisampled
// visual; --vsync sets the swap interval, and without it `vsyncByDefault` does
// (1 waits for the refresh, 0 does not, -1 leaves the driver's setting).
void OrvOpenLiveWindow(OrvWindow& window, const OrvOptions& options, int vsyncByDefault);
