// OrvWindow: the show's window and its OpenGL context.
//
// Thread contract
// - Main thread (the one that draws): the constructor, Create, Swap,
//   QuitRequested and the destructor. It owns the display-mode switch and the
//   GL context, which is current on this thread only.
// - Window thread (started by Create): creates, shows, pumps the events of and
//   finally destroys the native window. It never calls GL. It sleeps until the
//   window system has an event, the destructor asks it to end, or a stop signal
//   comes (OrvStopSignals).
// - Shared: the native window (written by the window thread before it raises
//   `ready`, read by the main thread after seeing `ready`); `ready` (raised
//   once by the window thread, polled by Create); `quit` (raised by the window
//   thread on Escape, a close request, Alt+F4, SIGINT or SIGTERM, or when
//   another client destroys the window; polled by the main thread once a
//   frame); `gone` (the window was destroyed by another client: raised with
//   `quit` by the window thread when it learns so, or by either thread's error
//   handling on an error saying the window is not there, so the main thread's
//   drawing on the lost window ends the show instead of filling stderr);
//   `keys` (a ring the window thread fills with Space, Right, Left, Home and
//   F12 through PushKey, and the main thread empties through NextKey;
//   `keysWritten` is written only by the window thread, `keysRead` only by the
//   main thread); `shownWidth`/`shownHeight` (the window's size, set before
//   `ready` and on every resize). All are atomics written with release and
//   read with acquire. Everything Create stores before starting the thread is
//   read-only afterwards. The destructor asks the thread to end and joins it.
//
// Full screen switches the primary output to width x height (preferring 75 Hz)
// and covers it with a borderless window; when the switch fails the desktop
// mode stays and the window is a borderless width x height at (0, 0). Windowed
// (`fullscreen` 0) is a normal decorated window with the cursor shown.
// CreateDesktop covers the screen at the desktop's own mode: a borderless
// window asking the window manager for full screen, sized to the screen so it
// also covers it with no window manager; no mode switch, cursor hidden.
//
// A window destroyed by another client ends the show as a close request does;
// the destructor puts the display mode back as always.
//
// On Windows full screen starts the window thread first and switches the mode
// while that thread creates the window.
//
// Fatal failures print "OrvWindow::<operation>: <what> failed!" on stderr,
// restore the display mode and end the process with exit code 2; on Windows
// a message box (no owner, stop icon) with the text "<what> failed!" under the
// caption "OrvWindow::<operation>" says it first, for a user who started the
// program without a console.
//
// The class keeps what every platform shares; the platform's window system
// state lives in `Platform`, defined with the platform's implementation
// (framework/<platform>/window.cpp).
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>

// The keys the show reacts to besides Escape, as the window thread reports them.
enum class OrvKey : uint8_t { Nothing, Pause, NextScene, PreviousScene, FirstScene, Snapshot };

class OrvWindow {
public:
    // Stores the title pointer (the text must outlive the window); registers
    // the process-wide handlers on first use.
    explicit OrvWindow(const char* title);
    ~OrvWindow();

    OrvWindow(const OrvWindow&) = delete;
    OrvWindow& operator=(const OrvWindow&) = delete;

    // Installs the window system's error handlers and the stop-signal handlers, once per process.
    static void Init();

    // Opens the window and makes its GL context current on the calling thread.
    // `fullscreen` 1 switches the display; any other value opens a normal window.
    int Create(int width, int height, int bits, int fullscreen);

    // Opens a window covering the screen without changing the display mode and
    // makes its GL context current on the calling thread.
    int CreateDesktop(int bits);

    // Picture settings for the next Create or CreateDesktop. `samples` 2 or more
    // asks for a multisampled visual (fewer samples, or none, when the server
    // offers fewer; one stderr line says so); 0 keeps the plain visual.
    // `vsync` 1 makes Swap wait for the screen's refresh where the driver offers
    // swap control (on X, GLX_EXT_swap_control or GLX_MESA_swap_control), 0 lets
    // it run free; -1 keeps the driver's setting. On a driver without the extensions,
    // 1 paces Swap to 60 frames a second instead.
    void SetPicture(int samples, int vsync);
    // Samples per pixel of the chosen visual (0 without multisampling).
    int Samples() const { return samplesInUse; }
    // The swap interval set (1 waits for each refresh, 0 does not), or -1 when
    // the driver offers no swap control and it was left alone.
    int SwapInterval() const { return swapInterval; }

    // Presents the back buffer.
    void Swap();

    // True once the user asked to quit; stays true.
    bool QuitRequested() const { return quit.load(std::memory_order_acquire); }

    // The next navigation key pressed (Space, Right, Left, Home, F12), oldest
    // first; OrvKey::Nothing when there is none. Main thread only.
    OrvKey NextKey();

    // The native window's handle as a number (on X, the window id, valid on any
    // connection to the same server); 0 before Create.
    uintptr_t WindowId() const;
    // The window's current size (the window manager may change a desktop window's).
    int Width() const { return shownWidth.load(std::memory_order_acquire); }
    int Height() const { return shownHeight.load(std::memory_order_acquire); }
    // True while the display runs in the mode Create switched to.
    bool ModeSwitched() const;

private:
    struct Platform;

    // Window thread: adds a navigation key to the ring; a full ring drops it.
    void PushKey(OrvKey key);
    // Main thread, before presenting: asked to wait for the refresh on a driver
    // without swap control, keeps to 60 frames a second instead.
    void PaceSwap();

    std::unique_ptr<Platform> platform;
    const char* title;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    int bits = 0;
    unsigned char fullscreen = 0;
    bool desktop = false;
    int samplesWanted = 0;
    int samplesInUse = 0;
    int vsyncWanted = -1;
    int swapInterval = -1;
    std::chrono::steady_clock::time_point nextSwap;  // paced swaps without swap control
    std::atomic<int> shownWidth{0};
    std::atomic<int> shownHeight{0};
    std::atomic<bool> quit{false};
    std::atomic<bool> ready{false};
    std::atomic<bool> gone{false};
    // Keys from the window thread to the main thread: a single-producer,
    // single-consumer ring; a full ring drops the newest key.
    std::array<std::atomic<OrvKey>, 16> keys{};
    std::atomic<uint32_t> keysWritten{0};
    std::atomic<uint32_t> keysRead{0};

    static bool registered;
};
