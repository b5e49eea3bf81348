// OrvStopSignals on POSIX signals: handlers installed without SA_RESTART, and
// a non-blocking self-pipe whose read end the window thread polls.
#include "framework/stop_signals.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <string.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "framework/linux/stop_wake.h"

namespace {

// Every signal whose default would end the process without a core dump being
// the point, plus SIGQUIT: each ends the show the way SIGTERM does, so the
// display mode, the cursor and temporary files are put right. (SIGPROF and
// SIGVTALRM stay with profilers; crash signals are left alone.)
constexpr int kStopSignals[] = {SIGHUP,  SIGINT,  SIGQUIT, SIGPIPE, SIGALRM,
                                SIGTERM, SIGUSR1, SIGUSR2, SIGXCPU, SIGXFSZ};

// Written by the handler, read by any thread: a lock-free atomic is both
// async-signal-safe and free of data races, which a plain sig_atomic_t is not.
std::atomic<int> received{0};
static_assert(std::atomic<int>::is_always_lock_free);
int wakePipe[2] = {-1, -1};
bool installed = false;

// Records the signal and wakes whoever polls the pipe; touches nothing else.
void OnStopSignal(int sig)
{
    const int saved = errno;
    int none = 0;
    received.compare_exchange_strong(none, sig, std::memory_order_acq_rel);
    const char byte = 1;
    if (write(wakePipe[1], &byte, 1) < 0) {
        // A full pipe already holds a wake-up.
    }
    errno = saved;
}

}  // namespace

void OrvStopSignals::Install()
{
    if (installed)
        return;
    if (pipe2(wakePipe, O_NONBLOCK | O_CLOEXEC) != 0)
        wakePipe[0] = wakePipe[1] = -1;
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    for (int sig : kStopSignals) {
        // A signal ignored when we started stays ignored (nohup, a shell's trap '').
        struct sigaction before {};
        if (sigaction(sig, nullptr, &before) == 0 && before.sa_handler == SIG_IGN)
            continue;
        sigaction(sig, &action, nullptr);
    }
    installed = true;
}

int OrvStopSignals::Pending() { return received.load(std::memory_order_acquire); }

int OrvStopSignalsWakeFd() { return wakePipe[0]; }

void OrvStopSignals::Wait(int timeoutMs)
{
    pollfd wake = {wakePipe[0], POLLIN, 0};
    poll(&wake, wake.fd >= 0 ? 1 : 0, timeoutMs);
}

void OrvStopSignals::MarkSeen()
{
    char buffer[64];
    if (wakePipe[0] >= 0)
        while (read(wakePipe[0], buffer, sizeof buffer) > 0) {
        }
}

bool OrvStopSignals::WaitForAnother(int timeoutMs)
{
    pollfd wake = {wakePipe[0], POLLIN, 0};
    return poll(&wake, wake.fd >= 0 ? 1 : 0, timeoutMs) > 0 && (wake.revents & POLLIN);
}

const char* OrvStopSignals::Name(int sig) { return sigabbrev_np(sig); }

void OrvStopSignals::Clear()
{
    MarkSeen();
    received.store(0, std::memory_order_release);
}
