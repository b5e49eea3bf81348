// fatal-box.exe, for startup-wine-test: a fatal window failure made to happen,
// and the message box it shows read from outside.
//
//   fatal-box fail          registers the class "OrvWindow" itself, so that
//                           the window's own registration fails; the process
//                           then ends as the window's failure ends it (its
//                           stderr set up as the program's).
//   fatal-box read CAPTION  waits up to 60 s for a top-level window titled
//                           CAPTION, prints what it shows (text, whether an
//                           icon, owner, buttons), presses its OK button and
//                           exits 0;
//                           exits 1 when no such window came.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "framework/win32/console.h"
#include "framework/window.h"

namespace {

struct Seen {
    std::string text;
    bool icon = false;
    std::string buttons;
    HWND ok = nullptr;
};

BOOL CALLBACK Child(HWND child, LPARAM param)
{
    Seen& seen = *reinterpret_cast<Seen*>(param);
    char cls[64] = {};
    GetClassNameA(child, cls, sizeof cls);
    char text[512] = {};
    GetWindowTextA(child, text, sizeof text);
    const LONG style = GetWindowLongA(child, GWL_STYLE);
    if (_stricmp(cls, "Static") == 0 && (style & SS_TYPEMASK) == SS_ICON) {
        // Which icon it is cannot be told from another process under Wine
        // (the handle is the box's process's own); that one is shown can.
        if (SendMessageA(child, STM_GETICON, 0, 0))
            seen.icon = true;
    } else if (_stricmp(cls, "Static") == 0 && text[0]) {
        seen.text = text;
    } else if (_stricmp(cls, "Button") == 0 && IsWindowVisible(child)) {
        seen.buttons += std::string(seen.buttons.empty() ? "" : " ") + text;
        if (GetDlgCtrlID(child) == IDOK)
            seen.ok = child;
    }
    return TRUE;
}

int Read(const char* caption)
{
    HWND box = nullptr;
    for (int i = 0; i < 600 && !box; ++i) {
        box = FindWindowA(nullptr, caption);
        if (!box)
            Sleep(100);
    }
    if (!box) {
        std::printf("no window titled %s\n", caption);
        return 1;
    }
    Sleep(200);  // its controls are made with it, but give them a moment
    Seen seen;
    EnumChildWindows(box, Child, reinterpret_cast<LPARAM>(&seen));
    const HWND owner = GetWindow(box, GW_OWNER);
    std::printf("text: %s\nicon: %s\nowner: %s\nbuttons: %s\n", seen.text.c_str(),
                seen.icon ? "shown" : "none", owner ? "a window" : "none",
                seen.buttons.c_str());
    std::fflush(stdout);
    if (seen.ok)
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(seen.ok));
    else
        PostMessageA(box, WM_CLOSE, 0, 0);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "fail") == 0) {
        OrvUseParentConsole();  // stderr as the program has it
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "OrvWindow";
        if (!RegisterClassA(&wc)) {
            std::printf("could not take the class name first\n");
            return 3;
        }
        OrvWindow window("fatal-box");
        std::printf("the window's registration did not fail\n");
        return 0;
    }
    if (argc == 3 && std::strcmp(argv[1], "read") == 0)
        return Read(argv[2]);
    std::fprintf(stderr, "usage: fatal-box fail | fatal-box read CAPTION\n");
    return 64;
}
