// window-ways-out crash|endsession: the two ways out of a full-screen window
// that the show itself cannot be made to take on request, for
// modeswitch-wine-test to watch the display mode through.
//
// Opens a full-screen 640x480 window titled "Ways out" (switching the display
// mode) and draws a frame, then:
//   crash       writes through a null pointer: the unhandled-exception filter
//               must put the desktop's mode back before the process dies;
//   endsession  sends the window WM_ENDSESSION, as Windows does when the user
//               logs off: the mode must be back at once, while the process
//               still runs (the system may end it any moment after), and the
//               window must ask the program to quit. Exits 0 when it did, 3 if not.
// Prints "switched" once the window is up and waits for a line on stdin (the
// watcher has seen the mode) before its way out; prints "crashing" or "session
// ended", and after the latter waits for another line before it exits, so the
// mode can be looked at meanwhile. End of input counts as a line.
#include <windows.h>

#include <GL/gl.h>

#include <cstdio>
#include <cstring>

#include "framework/window.h"

namespace {

void WaitForLine()
{
    char line[64];
    while (std::fgets(line, sizeof line, stdin) && !std::strchr(line, '\n')) {
    }
}

}  // namespace

int main(int argc, char** argv)
{
    const bool crash = argc == 2 && std::strcmp(argv[1], "crash") == 0;
    if (argc != 2 || (!crash && std::strcmp(argv[1], "endsession") != 0)) {
        std::fprintf(stderr, "usage: window-ways-out crash|endsession\n");
        return 2;
    }
    OrvWindow window("Ways out");
    window.Create(640, 480, 32, 1);
    glClearColor(0.2f, 0.4f, 0.6f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    window.Swap();
    std::printf("switched\n");
    std::fflush(stdout);
    WaitForLine();
    if (crash) {
        std::printf("crashing\n");
        std::fflush(stdout);
        *static_cast<volatile int*>(nullptr) = 1;
        return 4;
    }
    SendMessageA(reinterpret_cast<HWND>(window.WindowId()), WM_ENDSESSION, TRUE, 0);
    std::printf("session ended\n");
    std::fflush(stdout);
    WaitForLine();
    return window.QuitRequested() ? 0 : 3;
}
