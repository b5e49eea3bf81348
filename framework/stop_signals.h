// OrvStopSignals: the signals that ask the program to stop, turned into a
// request the program honours at its next safe point.
//
// Install sets a handler once per process for the interrupt and terminate
// signals and, where the system has them, every other signal that would end
// the program on the spot (on Linux: SIGHUP, SIGQUIT, SIGPIPE, SIGALRM,
// SIGUSR1, SIGUSR2, SIGXCPU, SIGXFSZ), except those that were ignored when the
// program started (nohup keeps SIGHUP away). The handler is async-signal-safe:
// it records the first signal's number and wakes whoever waits (the window
// thread, Wait), while a loop that waits for nothing reads Pending(). A
// blocking call in progress returns early (EINTR) so its caller can look at
// Pending().
//
// Threads: any thread may read Pending() and Wait; Install and Clear belong to
// the main thread.
#pragma once

class OrvStopSignals {
public:
    // Installs the handlers; calling it again does nothing.
    static void Install();

    // The number of the first stop signal received since Install or Clear; 0 if none.
    static int Pending();

    // Sleeps up to `timeoutMs` milliseconds, less when a stop signal comes.
    static void Wait(int timeoutMs);

    // Marks the stop signals received so far as seen, so WaitForAnother
    // reports only later ones (the first began a careful shutdown; a second
    // cuts it short). Pending() is unchanged.
    static void MarkSeen();

    // Sleeps up to `timeoutMs` milliseconds; true, as soon as it comes, when a
    // stop signal arrives after MarkSeen.
    static bool WaitForAnother(int timeoutMs);

    // The signal's short name without "SIG" ("INT", "TERM"), null when unknown.
    static const char* Name(int sig);

    // Forgets a received signal and empties the pipe (a new capture in the same process).
    static void Clear();
};
