// OrvStopSignals on Windows: a console control handler.
//
// The console's stop requests arrive on a thread the system starts for the
// handler. They are numbered like the POSIX signals of the nearest meaning,
// so messages and exit codes read the same on both systems: Ctrl+C is INT,
// Ctrl+Break QUIT (the keyboard's other stop key), closing the console HUP
// (the terminal went away), logging off HUP, shutting down TERM. The handler
// records the first one and sets a manual-reset event that the window thread
// and Wait sleep on.
//
// After a console close, logoff or shutdown the system ends the process as
// soon as the handler returns, so for those the handler holds on for a few
// seconds: long enough for the show to stop at its next frame, put the
// display mode back and exit, which ends this thread with the process.
#include "framework/stop_signals.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include "framework/win32/stop_wake.h"

#include <atomic>

namespace {

constexpr int kHup = 1;
constexpr int kInt = 2;
constexpr int kQuit = 3;
constexpr int kTerm = 15;

// How long a close, logoff or shutdown waits for the program to end by itself;
// the system allows about five seconds.
constexpr DWORD kGraceMs = 4500;

std::atomic<int> received{0};
HANDLE wake = nullptr;
bool installed = false;

BOOL WINAPI OnConsoleControl(DWORD event)
{
    int sig = 0;
    switch (event) {
    case CTRL_C_EVENT: sig = kInt; break;
    case CTRL_BREAK_EVENT: sig = kQuit; break;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT: sig = kHup; break;
    case CTRL_SHUTDOWN_EVENT: sig = kTerm; break;
    default: return FALSE;
    }
    int none = 0;
    received.compare_exchange_strong(none, sig, std::memory_order_acq_rel);
    if (wake)
        SetEvent(wake);
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        Sleep(kGraceMs);
    return TRUE;
}

}  // namespace

void OrvStopSignals::Install()
{
    if (installed)
        return;
    wake = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    // A program started with Ctrl+C switched off (a new process group) keeps it
    // off: the system then gives no handler CTRL_C_EVENT.
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
    installed = true;
}

int OrvStopSignals::Pending() { return received.load(std::memory_order_acquire); }

HANDLE OrvStopSignalsWakeEvent() { return wake; }

void OrvStopSignals::Wait(int timeoutMs)
{
    if (wake)
        WaitForSingleObject(wake, timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs));
    else
        Sleep(timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs));
}

void OrvStopSignals::MarkSeen()
{
    if (wake)
        ResetEvent(wake);
}

bool OrvStopSignals::WaitForAnother(int timeoutMs)
{
    const DWORD ms = timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs);
    if (wake)
        return WaitForSingleObject(wake, ms) == WAIT_OBJECT_0;
    Sleep(ms);
    return false;
}

const char* OrvStopSignals::Name(int sig)
{
    switch (sig) {
    case kHup: return "HUP";
    case kInt: return "INT";
    case kQuit: return "QUIT";
    case kTerm: return "TERM";
    default: return nullptr;
    }
}

void OrvStopSignals::Clear()
{
    MarkSeen();
    received.store(0, std::memory_order_release);
}
