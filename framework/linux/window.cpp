// OrvWindow on Xlib + GLX.
//
// The main thread owns its own X connection (`glDisplay`), the XRandR mode
// switch and the GLX context. The window thread opens a second connection
// (`wndDisplay`) and creates, maps, pumps and destroys the window on it; it
// sleeps in poll() on that connection, the end request (`endEvent`, an eventfd
// the destructor writes) and the stop-signal pipe. Another client destroying
// the window shows as DestroyNotify on the window thread, or as a BadWindow,
// BadDrawable or GLX drawable error on either connection (ClaimWindowError).
#include "framework/window.h"

#include <GL/glx.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>

#include "framework/linux/display_mode.h"
#include "framework/linux/stop_wake.h"
#include "framework/linux/x11_errors.h"
#include "framework/stop_signals.h"

bool OrvWindow::registered = false;

namespace {

constexpr double kPreferredRefresh = 75.0;

// GLX protocol errors (added to the extension's error base) that say a drawable is not there.
constexpr int kGlxBadDrawable = 2;
constexpr int kGlxBadCurrentDrawable = 11;
constexpr int kGlxBadWindow = 12;

// The mode switch in force, for the paths that end the process without the destructor.
std::atomic<OrvDisplayMode*> activeMode{nullptr};

// The server connection is gone: put the display mode back through a new connection, then end.
int OnXIOError(Display*)
{
    if (OrvDisplayMode* mode = activeMode.exchange(nullptr))
        mode->RestoreElsewhere();
    std::fputs("OrvWindow: connection to the X server lost!\n", stderr);
    std::fflush(stdout);
    _exit(2);
}

// True for a config whose visual is an ordinary (non-ARGB) visual of depth 24 or less.
bool OpaqueVisual(Display* display, GLXFBConfig config)
{
    XVisualInfo* vi = glXGetVisualFromFBConfig(display, config);
    bool opaque = vi && vi->depth <= 24;
    if (vi)
        XFree(vi);
    return opaque;
}

// First double-buffered RGBA window config with `depth` depth bits and a stencil bit,
// and with at least `samples` samples per pixel when that is 2 or more.
GLXFBConfig FindConfig(Display* display, int screen, int depth, int samples = 0)
{
    int attribs[] = {
        GLX_X_RENDERABLE, True, GLX_DRAWABLE_TYPE, GLX_WINDOW_BIT, GLX_RENDER_TYPE, GLX_RGBA_BIT,
        GLX_X_VISUAL_TYPE, GLX_TRUE_COLOR, GLX_RED_SIZE, 8, GLX_GREEN_SIZE, 8, GLX_BLUE_SIZE, 8,
        GLX_DEPTH_SIZE, depth, GLX_STENCIL_SIZE, 1, GLX_DOUBLEBUFFER, True,
        None, 0, None, 0, None};
    if (samples >= 2) {
        const int extra[] = {GLX_SAMPLE_BUFFERS, 1, GLX_SAMPLES, samples};
        std::copy(std::begin(extra), std::end(extra), attribs + 20);
    }
    int count = 0;
    GLXFBConfig* configs = glXChooseFBConfig(display, screen, attribs, &count);
    if (!configs)
        return nullptr;
    GLXFBConfig chosen = count > 0 ? configs[0] : nullptr;
    for (int i = 0; i < count; ++i) {
        if (OpaqueVisual(display, configs[i])) {
            chosen = configs[i];
            break;
        }
    }
    XFree(configs);
    return chosen;
}

}  // namespace

// The X side of the window: two connections, the GLX context, the mode switch
// and the window thread.
struct OrvWindow::Platform {
    explicit Platform(OrvWindow& owner) : o(owner) {}

    [[noreturn]] static void Fatal(const char* caption, const char* text);
    static bool ClaimWindowError(unsigned long resource, int code);
    static void* Thread(void* param);
    int Create(int width, int height, int bits, int fullscreen);
    int CreateDesktop(int bits);
    void Swap();
    void Close();
    void Connect();
    int Open();
    bool ChooseConfig();
    void SetSwapInterval();
    void SwitchMode();
    bool CreateNativeWindow();
    void HideCursor();
    void AskForFullScreen();
    void Pump();
    void HandleEvent(const XEvent& event);
    void DestroyNativeWindow();

    OrvWindow& o;
    pthread_t thread{};
    bool threadStarted = false;
    Window window = 0;
    Display* glDisplay = nullptr;
    Display* wndDisplay = nullptr;
    GLXContext context = nullptr;
    GLXFBConfig config = nullptr;
    VisualID visualId = 0;
    Colormap colormap = 0;
    Cursor cursor = 0;
    Atom wmProtocols = 0;
    Atom wmDeleteWindow = 0;
    int glxErrorBase = 0;
    int endEvent = -1;
    OrvDisplayMode mode;

    // The window on screen, whose errors say whether it still exists (see ClaimWindowError).
    static std::atomic<Platform*> live;
};

std::atomic<OrvWindow::Platform*> OrvWindow::Platform::live{nullptr};

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
    platform->Swap();
}

uintptr_t OrvWindow::WindowId() const { return platform->window; }

bool OrvWindow::ModeSwitched() const { return platform->mode.Switched(); }

void OrvWindow::Init()
{
    if (registered)
        return;
    XInitThreads();
    OrvInstallXErrorHandler();
    XSetIOErrorHandler(OnXIOError);
    OrvFilterXErrors(Platform::ClaimWindowError);
    OrvStopSignals::Install();
    registered = true;
}

void OrvWindow::Platform::Fatal(const char* caption, const char* text)
{
    if (OrvDisplayMode* mode = activeMode.exchange(nullptr))
        mode->RestoreElsewhere();
    std::fprintf(stderr, "%s: %s\n", caption, text);
    std::fflush(stdout);
    _exit(2);
}

// An error saying the window or its drawable does not exist means another
// client destroyed it: the show ends as on a close request, and the drawing
// still under way on the lost window is not reported error by error.
bool OrvWindow::Platform::ClaimWindowError(unsigned long resource, int code)
{
    Platform* self = live.load(std::memory_order_acquire);
    if (!self || resource == 0 || resource != self->window)
        return false;
    const int glx = self->glxErrorBase;
    const bool missing = code == BadWindow || code == BadDrawable ||
                         (glx > 0 && (code == glx + kGlxBadDrawable || code == glx + kGlxBadCurrentDrawable ||
                                      code == glx + kGlxBadWindow));
    if (!missing)
        return false;
    self->o.gone.store(true, std::memory_order_release);
    self->o.quit.store(true, std::memory_order_release);
    return true;
}

int OrvWindow::Platform::Create(int w, int h, int b, int fs)
{
    o.x = 0;
    o.y = 0;
    o.width = w;
    o.height = h;
    o.bits = b;
    o.fullscreen = static_cast<unsigned char>(fs);
    Connect();
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
    Connect();
    Screen* screen = DefaultScreenOfDisplay(glDisplay);
    o.width = WidthOfScreen(screen);
    o.height = HeightOfScreen(screen);
    return Open();
}

// Opens the main thread's connection and picks the GL config.
void OrvWindow::Platform::Connect()
{
    o.ready.store(false, std::memory_order_release);
    o.gone.store(false, std::memory_order_release);
    glDisplay = XOpenDisplay(nullptr);
    if (!glDisplay)
        Fatal("OrvWindow::Create", "XOpenDisplay failed!");
    if (!ChooseConfig())
        Fatal("OrvWindow::Create", "glXChooseFBConfig failed!");
}

// Starts the window thread, waits for the window and makes the context current here.
int OrvWindow::Platform::Open()
{
    o.shownWidth.store(o.width, std::memory_order_release);
    o.shownHeight.store(o.height, std::memory_order_release);
    endEvent = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (endEvent < 0 || pthread_create(&thread, nullptr, Thread, this) != 0)
        Fatal("OrvWindow::Create", "CreateThread failed!");
    threadStarted = true;
    while (!o.ready.load(std::memory_order_acquire))
        usleep(1000);
    live.store(this, std::memory_order_release);
    context = glXCreateNewContext(glDisplay, config, GLX_RGBA_TYPE, nullptr, True);
    if (!context)
        Fatal("OrvWindow::Create", "glXCreateNewContext failed!");
    if (!glXMakeCurrent(glDisplay, window, context))
        Fatal("OrvWindow::Create", "glXMakeCurrent failed!");
    if (o.samplesInUse)
        glEnable(GL_MULTISAMPLE);
    SetSwapInterval();
    return 1;
}


// Sets the swap interval through whichever swap-control extension the driver offers.
void OrvWindow::Platform::SetSwapInterval()
{
    const char* extensions = glXQueryExtensionsString(glDisplay, DefaultScreen(glDisplay));
    auto offers = [extensions](const char* name) {
        if (!extensions)
            return false;
        const size_t n = std::strlen(name);
        for (const char* p = std::strstr(extensions, name); p; p = std::strstr(p + n, name))
            if ((p == extensions || p[-1] == ' ') && (p[n] == ' ' || p[n] == '\0'))
                return true;
        return false;
    };
    if (o.vsyncWanted < 0)
        return;
    const int interval = o.vsyncWanted ? 1 : 0;
    const auto* name = reinterpret_cast<const GLubyte*>("glXSwapIntervalEXT");
    if (offers("GLX_EXT_swap_control")) {
        if (auto set = reinterpret_cast<PFNGLXSWAPINTERVALEXTPROC>(glXGetProcAddress(name))) {
            set(glDisplay, window, interval);
            o.swapInterval = interval;
            return;
        }
    }
    name = reinterpret_cast<const GLubyte*>("glXSwapIntervalMESA");
    if (offers("GLX_MESA_swap_control")) {
        using SetMesa = int (*)(unsigned int);
        if (auto set = reinterpret_cast<SetMesa>(glXGetProcAddress(name))) {
            if (set(static_cast<unsigned int>(interval)) == 0)
                o.swapInterval = interval;
            return;
        }
    }
}

// Picks the GLX config (and so the window's visual): `bits` depth bits if possible, else fewer.
bool OrvWindow::Platform::ChooseConfig()
{
    int screen = DefaultScreen(glDisplay);
    int glxEventBase = 0;
    if (!glXQueryExtension(glDisplay, &glxErrorBase, &glxEventBase))
        return false;
    // With samples asked for: the most samples up to that many, at any depth, before none.
    o.samplesInUse = 0;
    config = nullptr;
    for (int samples = o.samplesWanted; samples >= 2 && !config; samples /= 2)
        for (int depth : {o.bits, 24, 16}) {
            config = FindConfig(glDisplay, screen, depth, samples);
            if (config) {
                glXGetFBConfigAttrib(glDisplay, config, GLX_SAMPLES, &o.samplesInUse);
                break;
            }
        }
    if (o.samplesWanted >= 2 && o.samplesInUse < o.samplesWanted)
        std::fprintf(stderr, "orvdemo: %d samples per pixel asked, the display offers %s\n", o.samplesWanted,
                     o.samplesInUse ? (std::to_string(o.samplesInUse) + "; using them").c_str()
                                  : "none; edges stay hard");
    for (int depth : {o.bits, 24, 16}) {
        if (config)
            break;
        config = FindConfig(glDisplay, screen, depth);
    }
    if (!config)
        return false;
    XVisualInfo* vi = glXGetVisualFromFBConfig(glDisplay, config);
    if (!vi)
        return false;
    visualId = vi->visualid;
    XFree(vi);
    return true;
}

// Switches the display for full screen; on failure keeps the desktop and says why.
void OrvWindow::Platform::SwitchMode()
{
    if (mode.Switch(glDisplay, o.width, o.height, kPreferredRefresh)) {
        o.x = mode.X();
        o.y = mode.Y();
        if (mode.Switched())
            activeMode.store(&mode);
        return;
    }
    std::fprintf(stderr, "OrvWindow::Create: %s; showing a %dx%d window at the top left\n",
                 mode.Error().c_str(), o.width, o.height);
}


void OrvWindow::Platform::Swap()
{
    glXSwapBuffers(glDisplay, window);
}

void OrvWindow::Platform::Close()
{
    if (!glDisplay)
        return;
    glXMakeCurrent(glDisplay, None, nullptr);
    if (context)
        glXDestroyContext(glDisplay, context);
    context = nullptr;
    activeMode.store(nullptr);
    mode.Restore(glDisplay);
    if ((o.fullscreen == 1 || o.desktop) && window != 0 && !o.gone.load(std::memory_order_acquire))
        XUndefineCursor(glDisplay, window);
    XSync(glDisplay, False);
    if (threadStarted) {
        uint64_t one = 1;
        if (write(endEvent, &one, sizeof one) != sizeof one)
            std::fputs("OrvWindow: cannot signal the window thread\n", stderr);
        pthread_join(thread, nullptr);
    }
    if (endEvent >= 0)
        close(endEvent);
    XCloseDisplay(glDisplay);
    glDisplay = nullptr;
    Platform* self = this;
    live.compare_exchange_strong(self, nullptr, std::memory_order_acq_rel);
}

void* OrvWindow::Platform::Thread(void* param)
{
    Platform* self = static_cast<Platform*>(param);
    pthread_setname_np(pthread_self(), "OrvWindow");
    self->wndDisplay = XOpenDisplay(DisplayString(self->glDisplay));
    if (!self->wndDisplay)
        Fatal("OrvWindow::WndThread", "XOpenDisplay failed!");
    if (!self->CreateNativeWindow())
        Fatal("OrvWindow::WndThread", "CreateWindow failed!");
    if (self->o.fullscreen == 1 || self->o.desktop)
        self->HideCursor();
    XMapRaised(self->wndDisplay, self->window);
    XSync(self->wndDisplay, False);
    self->o.quit.store(false, std::memory_order_release);
    self->o.ready.store(true, std::memory_order_release);
    self->Pump();
    self->DestroyNativeWindow();
    return reinterpret_cast<void*>(intptr_t{1});
}

// Creates the window with the GL config's visual: borderless and unmanaged for
// full screen, a fixed-size decorated window otherwise.
bool OrvWindow::Platform::CreateNativeWindow()
{
    Display* dpy = wndDisplay;
    XVisualInfo templ{};
    templ.visualid = visualId;
    int count = 0;
    XVisualInfo* vi = XGetVisualInfo(dpy, VisualIDMask, &templ, &count);
    if (!vi)
        return false;
    Window root = RootWindow(dpy, vi->screen);
    colormap = XCreateColormap(dpy, root, vi->visual, AllocNone);
    XSetWindowAttributes attrs{};
    attrs.colormap = colormap;
    attrs.background_pixmap = None;
    attrs.border_pixel = 0;
    attrs.event_mask = KeyPressMask | StructureNotifyMask;
    // Unmanaged only when the mode is switched; a desktop window goes through the window manager.
    attrs.override_redirect = o.fullscreen == 1;
    unsigned long mask = CWColormap | CWBackPixmap | CWBorderPixel | CWEventMask | CWOverrideRedirect;
    OrvTrapXErrors();
    window = XCreateWindow(dpy, root, o.x, o.y, o.width, o.height, 0, vi->depth, InputOutput, vi->visual, mask, &attrs);
    XFree(vi);
    if (OrvUntrapXErrors(dpy) != 0 || window == 0)
        return false;

    XStoreName(dpy, window, o.title);
    XClassHint classHint{const_cast<char*>("orvdemo"), const_cast<char*>("OrvWindow")};
    XSetClassHint(dpy, window, &classHint);
    XSizeHints* size = XAllocSizeHints();
    size->flags = o.desktop ? USPosition | PPosition : USPosition | PPosition | PMinSize | PMaxSize;
    size->x = o.x;
    size->y = o.y;
    size->min_width = size->max_width = o.width;
    size->min_height = size->max_height = o.height;
    XSetWMNormalHints(dpy, window, size);
    XFree(size);
    wmProtocols = XInternAtom(dpy, "WM_PROTOCOLS", False);
    wmDeleteWindow = XInternAtom(dpy, "WM_DELETE_WINDOW", False);
    Atom protocols[] = {wmDeleteWindow};
    XSetWMProtocols(dpy, window, protocols, 1);
    if (o.desktop)
        AskForFullScreen();
    return true;
}

// Sets _NET_WM_STATE before mapping, so an EWMH window manager maps the window full
// screen, and asks any other window manager for no decorations (_MOTIF_WM_HINTS).
void OrvWindow::Platform::AskForFullScreen()
{
    Atom state = XInternAtom(wndDisplay, "_NET_WM_STATE", False);
    Atom full = XInternAtom(wndDisplay, "_NET_WM_STATE_FULLSCREEN", False);
    XChangeProperty(wndDisplay, window, state, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&full), 1);
    Atom motif = XInternAtom(wndDisplay, "_MOTIF_WM_HINTS", False);
    long hints[5] = {2, 0, 0, 0, 0};  // flags: decorations given; decorations: none
    XChangeProperty(wndDisplay, window, motif, motif, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(hints), 5);
}

// Gives the window an empty cursor; it goes with the window.
void OrvWindow::Platform::HideCursor()
{
    static const char empty[1] = {0};
    Pixmap blank = XCreateBitmapFromData(wndDisplay, window, empty, 1, 1);
    XColor black{};
    cursor = XCreatePixmapCursor(wndDisplay, blank, blank, &black, &black, 0, 0);
    XFreePixmap(wndDisplay, blank);
    XDefineCursor(wndDisplay, window, cursor);
}

// Handles every pending event, then sleeps until the X connection, the end
// request or the signal pipe has something; returns on the end request.
void OrvWindow::Platform::Pump()
{
    pollfd fds[3] = {{ConnectionNumber(wndDisplay), POLLIN, 0},
                     {endEvent, POLLIN, 0},
                     {OrvStopSignalsWakeFd(), POLLIN, 0}};
    nfds_t count = fds[2].fd >= 0 ? 3 : 2;
    for (;;) {
        while (XPending(wndDisplay)) {
            XEvent event;
            XNextEvent(wndDisplay, &event);
            HandleEvent(event);
        }
        if (poll(fds, count, -1) < 0) {
            if (errno == EINTR)
                continue;
            std::perror("OrvWindow::WndThread: poll");
            return;
        }
        if (fds[1].revents & POLLIN)
            return;
        // A stop signal raises quit for good; the pipe stays full, so stop watching it.
        if (count == 3 && (fds[2].revents & POLLIN)) {
            if (OrvStopSignals::Pending())
                o.quit.store(true, std::memory_order_release);
            count = 2;
        }
    }
}

// Escape, a close request, Alt+F4 and the window's destruction raise `quit`; Space, Right, Left, Home
// and F12 go to the key ring; other keys do nothing.
void OrvWindow::Platform::HandleEvent(const XEvent& event)
{
    switch (event.type) {
    case KeyPress: {
        XKeyEvent key = event.xkey;
        KeySym sym = XLookupKeysym(&key, 0);
        if (sym == XK_Escape || (sym == XK_F4 && (key.state & Mod1Mask))) {
            o.quit.store(true, std::memory_order_release);
            break;
        }
        const OrvKey pressed = sym == XK_space   ? OrvKey::Pause
                               : sym == XK_Right ? OrvKey::NextScene
                               : sym == XK_Left  ? OrvKey::PreviousScene
                               : sym == XK_Home  ? OrvKey::FirstScene
                               : sym == XK_F12   ? OrvKey::Snapshot
                                                 : OrvKey::Nothing;
        o.PushKey(pressed);
        break;
    }
    case ClientMessage:
        if (event.xclient.message_type == wmProtocols &&
            static_cast<unsigned long>(event.xclient.data.l[0]) == wmDeleteWindow)
            o.quit.store(true, std::memory_order_release);
        break;
    case DestroyNotify:
        // Another client destroyed the window: nothing is left to draw on.
        if (event.xdestroywindow.window == window) {
            o.gone.store(true, std::memory_order_release);
            o.quit.store(true, std::memory_order_release);
        }
        break;
    case MapNotify:
        // An unmanaged window gets no focus from a window manager: take it, and the keyboard.
        // A desktop window takes the focus too, for a server with no window manager.
        if (o.fullscreen == 1 || o.desktop) {
            OrvTrapXErrors();
            XSetInputFocus(wndDisplay, window, RevertToParent, CurrentTime);
            if (o.fullscreen == 1)
                XGrabKeyboard(wndDisplay, window, True, GrabModeAsync, GrabModeAsync, CurrentTime);
            OrvUntrapXErrors(wndDisplay);
        }
        break;
    case ConfigureNotify:
        o.shownWidth.store(event.xconfigure.width, std::memory_order_release);
        o.shownHeight.store(event.xconfigure.height, std::memory_order_release);
        break;
    default:
        break;
    }
}

// Closes the window, unless another client did, and this thread's connection
// (the keyboard grab goes with the window).
void OrvWindow::Platform::DestroyNativeWindow()
{
    if (!o.gone.load(std::memory_order_acquire)) {
        XUndefineCursor(wndDisplay, window);
        XDestroyWindow(wndDisplay, window);
    }
    if (cursor)
        XFreeCursor(wndDisplay, cursor);
    if (colormap)
        XFreeColormap(wndDisplay, colormap);
    XCloseDisplay(wndDisplay);
    wndDisplay = nullptr;
}
