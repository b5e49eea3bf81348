// OrvWindow on Win32 + WGL.
//
// The window class "OrvWindow" (CS_OWNDC, so the device context the main
// thread draws through stays the window's own) is registered once. The window
// thread creates, shows, pumps and destroys the window; it sleeps in
// MsgWaitForMultipleObjectsEx until a message comes or the stop-signal event
// is set, and ends on the private WM_END_THREAD message the destructor posts.
// The main thread starts the window thread, switches the display mode while
// that thread creates the window, then sets the pixel format and makes the WGL
// context current on itself.
//
// The display mode comes back on every way out: the destructor (Escape, a
// close request, Alt+F4, a stop signal from the console), the end of the
// user's session (WM_ENDSESSION, on the window thread), a fatal failure, and a
// crash (an unhandled-exception filter), since not every system puts a
// CDS_FULLSCREEN mode back when the process dies.
#include "framework/window.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include "framework/win32/console.h"
#include "framework/win32/instance.h"
// windows.h names CreateDesktopA/W through a macro that would rename the member.
#undef CreateDesktop

#include <GL/gl.h>
#include <GL/wglext.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

#include "framework/stop_signals.h"
#include "framework/win32/stop_wake.h"

bool OrvWindow::registered = false;

namespace {

constexpr char kClassName[] = "OrvWindow";
constexpr char kProbeClassName[] = "OrvWindowProbe";
constexpr DWORD kPreferredRefresh = 75;
constexpr UINT WM_END_THREAD = WM_USER + 1;
constexpr DWORD kFullScreenStyle = WS_POPUP;
constexpr DWORD kWindowedStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;
#ifndef GL_MULTISAMPLE
constexpr GLenum GL_MULTISAMPLE = 0x809D;
#endif

HINSTANCE instanceHandle = nullptr;

// True while the display runs in a mode this process switched to; whoever
// clears it puts the desktop's mode back.
std::atomic<bool> modeInForce{false};

// Held while the mode is switched and by a fatal failure's restore: a failure
// on the window thread while the main thread switches must not be followed by
// the switch. Once `dying` is set no switch starts.
std::mutex modeLock;
bool dying = false;

void RestoreDisplayMode()
{
    if (modeInForce.exchange(false))
        ChangeDisplaySettingsA(nullptr, 0);
}

// A crash must not leave the display in the show's mode.
LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS*)
{
    RestoreDisplayMode();
    return EXCEPTION_CONTINUE_SEARCH;
}

// A failure the show cannot go on from: the desktop's mode comes back, the
// line goes to stderr (for a shell or a log) and a message box tells whoever
// started the program by a double-click, from whatever thread failed. The exit
// code says it failed. `window`, when there is one, is hidden first so that it
// cannot cover the box.
[[noreturn]] void Fatal(const char* caption, const char* text, HWND window = nullptr)
{
    {
        std::lock_guard<std::mutex> hold(modeLock);
        dying = true;
        RestoreDisplayMode();
    }
    if (window)
        ShowWindowAsync(window, SW_HIDE);
    std::fprintf(stderr, "%s: %s\n", caption, text);
    OrvFinishConsole();
    MessageBoxA(nullptr, text, caption, MB_OK | MB_ICONERROR);
    ExitProcess(2);
}

const char* DisplayChangeError(LONG result)
{
    switch (result) {
    case DISP_CHANGE_BADMODE: return "the display has no such mode";
    case DISP_CHANGE_FAILED: return "the display driver refused the mode";
    case DISP_CHANGE_RESTART: return "the mode needs a restart";
    case DISP_CHANGE_BADPARAM:
    case DISP_CHANGE_BADFLAGS: return "the mode request was refused";
    case DISP_CHANGE_NOTUPDATED: return "the mode could not be recorded";
    default: return "the mode change failed";
    }
}

// The pixel format request: double-buffered RGBA for a window, `bits` colour
// and depth bits, one stencil bit.
PIXELFORMATDESCRIPTOR FormatRequest(int bits)
{
    PIXELFORMATDESCRIPTOR pfd{};
    pfd.nSize = sizeof pfd;
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = static_cast<BYTE>(bits);
    pfd.cDepthBits = static_cast<BYTE>(bits);
    pfd.cStencilBits = 1;
    pfd.iLayerType = PFD_MAIN_PLANE;
    return pfd;
}

bool Offers(const char* extensions, const char* name)
{
    if (!extensions)
        return false;
    const size_t n = std::strlen(name);
    for (const char* p = std::strstr(extensions, name); p; p = std::strstr(p + n, name))
        if ((p == extensions || p[-1] == ' ') && (p[n] == ' ' || p[n] == '\0'))
            return true;
    return false;
}

// The WGL extension string of the current context's device context.
const char* WglExtensions(HDC dc)
{
    if (auto arb = reinterpret_cast<PFNWGLGETEXTENSIONSSTRINGARBPROC>(
            reinterpret_cast<void*>(wglGetProcAddress("wglGetExtensionsStringARB"))))
        return arb(dc);
    if (auto ext = reinterpret_cast<PFNWGLGETEXTENSIONSSTRINGEXTPROC>(
            reinterpret_cast<void*>(wglGetProcAddress("wglGetExtensionsStringEXT"))))
        return ext();
    return nullptr;
}

}  // namespace

void OrvSetInstance(HINSTANCE instance) { instanceHandle = instance; }

HINSTANCE GetInstance() { return instanceHandle ? instanceHandle : GetModuleHandleA(nullptr); }

// The Win32 side of the window: the window thread, the device and rendering
// contexts, and the mode switch.
struct OrvWindow::Platform {
    explicit Platform(OrvWindow& owner) : o(owner) {}

    static LRESULT CALLBACK WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static DWORD WINAPI WndThread(LPVOID param);
    int Create(int width, int height, int bits, int fullscreen);
    int CreateDesktop(int bits);
    void StartThread();
    int Open();
    void SwitchMode();
    int ChooseMultisampleFormat();
    void SetSwapInterval();
    void Close();
    void Pump();

    OrvWindow& o;
    HANDLE thread = nullptr;
    DWORD threadId = 0;
    DWORD style = 0;
    std::atomic<HWND> hwnd{nullptr};
    HDC hdc = nullptr;
    HGLRC hglrc = nullptr;
    bool switched = false;
};

OrvWindow::OrvWindow(const char* title) : platform(std::make_unique<Platform>(*this)), title(title)
{
    if (!registered)
        Init();
}

OrvWindow::~OrvWindow() { platform->Close(); }

int OrvWindow::Create(int w, int h, int b, int fs) { return platform->Create(w, h, b, fs); }

int OrvWindow::CreateDesktop(int b) { return platform->CreateDesktop(b); }

void OrvWindow::Swap()
{
    PaceSwap();
    SwapBuffers(platform->hdc);
}

uintptr_t OrvWindow::WindowId() const { return reinterpret_cast<uintptr_t>(platform->hwnd.load()); }

bool OrvWindow::ModeSwitched() const { return platform->switched && modeInForce.load(); }

void OrvWindow::Init()
{
    if (registered)
        return;
    WNDCLASSA wc{};
    wc.style = CS_OWNDC;
    wc.lpfnWndProc = Platform::WndProc;
    wc.hInstance = GetInstance();
    wc.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.lpszClassName = kClassName;
    if (!RegisterClassA(&wc))
        Fatal("OrvWindow::Init", "RegisterClass failed!");
    SetUnhandledExceptionFilter(OnUnhandledException);
    OrvStopSignals::Install();
    registered = true;
}

int OrvWindow::Platform::Create(int w, int h, int b, int fs)
{
    o.x = 0;
    o.y = 0;
    o.width = w;
    o.height = h;
    o.bits = b;
    o.fullscreen = static_cast<unsigned char>(fs);
    style = o.fullscreen == 1 ? kFullScreenStyle : kWindowedStyle;
    StartThread();
    if (o.fullscreen == 1)
        SwitchMode();
    return Open();
}

int OrvWindow::Platform::CreateDesktop(int b)
{
    o.x = 0;
    o.y = 0;
    o.bits = b;
    o.fullscreen = 0;
    o.desktop = true;
    o.width = GetSystemMetrics(SM_CXSCREEN);
    o.height = GetSystemMetrics(SM_CYSCREEN);
    style = kFullScreenStyle;
    StartThread();
    return Open();
}

// Switches the primary display to width x height at `bits`, at 75 Hz when the
// display can, else at its own rate; on failure keeps the desktop and says why.
void OrvWindow::Platform::SwitchMode()
{
    std::lock_guard<std::mutex> hold(modeLock);
    if (dying)
        return;
    DEVMODEA mode{};
    mode.dmSize = sizeof mode;
    EnumDisplaySettingsA(nullptr, 0, &mode);
    mode.dmPelsWidth = static_cast<DWORD>(o.width);
    mode.dmPelsHeight = static_cast<DWORD>(o.height);
    mode.dmBitsPerPel = static_cast<DWORD>(o.bits);
    mode.dmDisplayFrequency = kPreferredRefresh;
    mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT | DM_DISPLAYFREQUENCY;
    LONG result = ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN);
    if (result != DISP_CHANGE_SUCCESSFUL) {
        mode.dmFields &= ~static_cast<DWORD>(DM_DISPLAYFREQUENCY);
        result = ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN);
    }
    if (result == DISP_CHANGE_SUCCESSFUL) {
        switched = true;
        modeInForce.store(true);
        return;
    }
    std::fprintf(stderr, "OrvWindow::Create: %s (%dx%d at %d bits); showing a %dx%d window at the top left\n",
                 DisplayChangeError(result), o.width, o.height, o.bits, o.width, o.height);
}

// Starts the window thread, which creates and shows the window.
void OrvWindow::Platform::StartThread()
{
    o.ready.store(false, std::memory_order_release);
    o.gone.store(false, std::memory_order_release);
    o.shownWidth.store(o.width, std::memory_order_release);
    o.shownHeight.store(o.height, std::memory_order_release);
    thread = CreateThread(nullptr, 0, WndThread, this, 0, &threadId);
    if (!thread)
        Fatal("OrvWindow::Create", "CreateThread failed!");
}

// Waits for the window, sets the pixel format and makes the context current here.
int OrvWindow::Platform::Open()
{
    while (!o.ready.load(std::memory_order_acquire))
        Sleep(1);
    hdc = GetDC(hwnd.load());
    const PIXELFORMATDESCRIPTOR request = FormatRequest(o.bits);
    int format = o.samplesWanted >= 2 ? ChooseMultisampleFormat() : 0;
    if (format == 0)
        format = ChoosePixelFormat(hdc, &request);
    if (format == 0)
        Fatal("OrvWindow::Create", "ChoosePixelFormat failed!", hwnd.load());
    if (!SetPixelFormat(hdc, format, &request))
        Fatal("OrvWindow::Create", "SetPixelFormat failed!", hwnd.load());
    hglrc = wglCreateContext(hdc);
    if (!hglrc)
        Fatal("OrvWindow::Create", "wglCreateContext failed!", hwnd.load());
    if (!wglMakeCurrent(hdc, hglrc))
        Fatal("OrvWindow::Create", "wglMakeCurrent failed!", hwnd.load());
    if (o.samplesInUse)
        glEnable(GL_MULTISAMPLE);
    SetSwapInterval();
    return 1;
}

// A multisampled pixel format through WGL_ARB_pixel_format and
// WGL_ARB_multisample: the most samples up to the number asked for, at `bits`
// depth bits or fewer. Asking needs a current context, so a hidden probe
// window with a plain format lends one. Returns 0 (and says so on stderr in
// one line) when the driver offers fewer samples than asked, or none.
int OrvWindow::Platform::ChooseMultisampleFormat()
{
    o.samplesInUse = 0;
    int chosen = 0;
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetInstance();
    wc.lpszClassName = kProbeClassName;
    RegisterClassA(&wc);  // fails harmlessly when already registered
    HWND probe = CreateWindowExA(0, kProbeClassName, "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, GetInstance(),
                                 nullptr);
    HDC probeDc = probe ? GetDC(probe) : nullptr;
    HGLRC probeRc = nullptr;
    if (probeDc) {
        const PIXELFORMATDESCRIPTOR plain = FormatRequest(o.bits);
        const int format = ChoosePixelFormat(probeDc, &plain);
        if (format && SetPixelFormat(probeDc, format, &plain))
            probeRc = wglCreateContext(probeDc);
    }
    if (probeRc && wglMakeCurrent(probeDc, probeRc)) {
        const char* extensions = WglExtensions(probeDc);
        auto choose = reinterpret_cast<PFNWGLCHOOSEPIXELFORMATARBPROC>(
            reinterpret_cast<void*>(wglGetProcAddress("wglChoosePixelFormatARB")));
        if (choose && Offers(extensions, "WGL_ARB_pixel_format") && Offers(extensions, "WGL_ARB_multisample")) {
            for (int samples = o.samplesWanted; samples >= 2 && !chosen; samples /= 2)
                for (int depth : {o.bits, 24, 16}) {
                    const int attribs[] = {WGL_DRAW_TO_WINDOW_ARB, GL_TRUE, WGL_SUPPORT_OPENGL_ARB, GL_TRUE,
                                           WGL_DOUBLE_BUFFER_ARB, GL_TRUE, WGL_PIXEL_TYPE_ARB, WGL_TYPE_RGBA_ARB,
                                           WGL_ACCELERATION_ARB, WGL_FULL_ACCELERATION_ARB,
                                           WGL_RED_BITS_ARB, 8, WGL_GREEN_BITS_ARB, 8, WGL_BLUE_BITS_ARB, 8,
                                           WGL_DEPTH_BITS_ARB, depth, WGL_STENCIL_BITS_ARB, 1,
                                           WGL_SAMPLE_BUFFERS_ARB, 1, WGL_SAMPLES_ARB, samples, 0};
                    int format = 0;
                    UINT count = 0;
                    if (choose(hdc, attribs, nullptr, 1, &format, &count) && count > 0 && format > 0) {
                        chosen = format;
                        auto get = reinterpret_cast<PFNWGLGETPIXELFORMATATTRIBIVARBPROC>(
                            reinterpret_cast<void*>(wglGetProcAddress("wglGetPixelFormatAttribivARB")));
                        const int which = WGL_SAMPLES_ARB;
                        int value = samples;
                        if (get && get(hdc, format, 0, 1, &which, &value))
                            o.samplesInUse = value;
                        else
                            o.samplesInUse = samples;
                        break;
                    }
                }
        }
        wglMakeCurrent(nullptr, nullptr);
    }
    if (probeRc)
        wglDeleteContext(probeRc);
    if (probeDc)
        ReleaseDC(probe, probeDc);
    if (probe)
        DestroyWindow(probe);
    if (o.samplesInUse < o.samplesWanted)
        std::fprintf(stderr, "orvdemo: %d samples per pixel asked, the display offers %s\n", o.samplesWanted,
                     o.samplesInUse ? (std::to_string(o.samplesInUse) + "; using them").c_str()
                                    : "none; edges stay hard");
    return chosen;
}

// Sets the swap interval through WGL_EXT_swap_control when the driver offers it.
void OrvWindow::Platform::SetSwapInterval()
{
    if (o.vsyncWanted < 0)
        return;
    const char* extensions = WglExtensions(hdc);
    const char* gl = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    if (!Offers(extensions, "WGL_EXT_swap_control") && !Offers(gl, "WGL_EXT_swap_control"))
        return;
    auto set = reinterpret_cast<PFNWGLSWAPINTERVALEXTPROC>(
        reinterpret_cast<void*>(wglGetProcAddress("wglSwapIntervalEXT")));
    const int interval = o.vsyncWanted ? 1 : 0;
    if (set && set(interval))
        o.swapInterval = interval;
}

// Releases the context, puts the display mode back, ends the window thread
// (which shows the cursor again and destroys the window) and waits for it.
void OrvWindow::Platform::Close()
{
    if (!thread)
        return;
    wglMakeCurrent(nullptr, nullptr);
    if (hglrc)
        wglDeleteContext(hglrc);
    hglrc = nullptr;
    if (hdc)
        ReleaseDC(hwnd.load(), hdc);
    hdc = nullptr;
    if (switched)
        RestoreDisplayMode();
    PostThreadMessageA(threadId, WM_END_THREAD, 0, 0);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    thread = nullptr;
}

DWORD WINAPI OrvWindow::Platform::WndThread(LPVOID param)
{
    Platform* self = static_cast<Platform*>(param);
    OrvWindow& o = self->o;
    // The window's outer size is width x height for full screen; a captioned
    // window gets its frame around a width x height picture.
    RECT outer = {0, 0, o.width, o.height};
    if (self->style != kFullScreenStyle)
        AdjustWindowRectEx(&outer, self->style, FALSE, 0);
    HWND hwnd = CreateWindowExA(0, kClassName, o.title, self->style, o.x, o.y, outer.right - outer.left,
                                outer.bottom - outer.top, nullptr, nullptr, GetInstance(), nullptr);
    if (!hwnd)
        Fatal("OrvWindow::WndThread", "CreateWindow failed!");
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    const bool hideCursor = o.fullscreen == 1 || o.desktop;
    if (hideCursor)
        ShowCursor(FALSE);
    ShowWindow(hwnd, SW_SHOWNORMAL);
    SetForegroundWindow(hwnd);
    self->hwnd.store(hwnd);
    o.quit.store(false, std::memory_order_release);
    o.ready.store(true, std::memory_order_release);
    self->Pump();
    // The cursor's show count belongs to this thread's input state: put it back here.
    if (hideCursor)
        ShowCursor(TRUE);
    DestroyWindow(hwnd);
    return 1;
}

// Handles every queued message, then sleeps until a message or a stop signal
// comes; returns on WM_END_THREAD.
void OrvWindow::Platform::Pump()
{
    HANDLE stop = OrvStopSignalsWakeEvent();
    DWORD waitCount = stop ? 1 : 0;
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_END_THREAD && msg.hwnd == nullptr)
                return;
            if (msg.message == WM_QUIT) {
                o.quit.store(true, std::memory_order_release);
                continue;
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        const DWORD woke = MsgWaitForMultipleObjectsEx(waitCount, &stop, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        // A stop signal raises quit for good; the event stays set, so stop watching it.
        if (waitCount == 1 && woke == WAIT_OBJECT_0) {
            if (OrvStopSignals::Pending())
                o.quit.store(true, std::memory_order_release);
            waitCount = 0;
        }
    }
}

// Escape, a close request and Alt+F4 post WM_QUIT, which the loop turns into
// `quit`; Space, Right, Left, Home and F12 go to the key ring; other keys do
// nothing. The end of the session puts the display mode back at once.
LRESULT CALLBACK OrvWindow::Platform::WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    Platform* self = reinterpret_cast<Platform*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    switch (message) {
    case WM_CLOSE:
        PostQuitMessage(0);
        return 0;
    case WM_KEYDOWN: {
        if (wParam == VK_ESCAPE) {
            PostQuitMessage(0);
            return 0;
        }
        const OrvKey pressed = wParam == VK_SPACE   ? OrvKey::Pause
                               : wParam == VK_RIGHT ? OrvKey::NextScene
                               : wParam == VK_LEFT  ? OrvKey::PreviousScene
                               : wParam == VK_HOME  ? OrvKey::FirstScene
                               : wParam == VK_F12   ? OrvKey::Snapshot
                                                    : OrvKey::Nothing;
        // A held key repeats; only the first press counts.
        if (self && !(lParam & (1 << 30)))
            self->o.PushKey(pressed);
        return 0;
    }
    case WM_SYSKEYDOWN:
        if (wParam == VK_F4) {
            PostQuitMessage(0);
            return 0;
        }
        break;
    case WM_SIZE:
        if (self && wParam != SIZE_MINIMIZED) {
            self->o.shownWidth.store(LOWORD(lParam), std::memory_order_release);
            self->o.shownHeight.store(HIWORD(lParam), std::memory_order_release);
        }
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_ENDSESSION:
        if (wParam) {
            RestoreDisplayMode();
            if (self)
                self->o.quit.store(true, std::memory_order_release);
        }
        return 0;
    default:
        break;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}
