// OrvStopSignals: the signals that ask the program to stop, turned into a
// request the program honours at its next safe point.
//
// Install sets a handler once per process for SIGINT, SIGTERM and every other
// signal that would otherwise end the program on the spot (SIGHUP, SIGQUIT,
// SIGPIPE, SIGALRM, SIGUSR1, SIGUSR2, SIGXCPU, SIGXFSZ), except those that
// were ignored when the program started (nohup keeps SIGHUP away). The handler
// is async-signal-safe: it records the first signal's number and writes a byte
// to a non-blocking self-pipe, so a thread sleeping in poll() wakes on
// WakeFd() while a loop that polls nothing reads Pending(). Handlers are
// installed without SA_RESTART, so a blocking call in progress returns EINTR
// and its caller can look at Pending().
//
// Threads: any thread may read Pending() and poll WakeFd(); Install and Clear
// belong to the main thread.
#pragma once

class OrvStopSignals {
public:
    // Installs the handlers; calling it again does nothing.
    static void Install();

    // The number of the first stop signal received since Install or Clear; 0 if none.
    static int Pending();

    // Readable once a stop signal has come; -1 before Install.
    static int WakeFd();

    // Forgets a received signal and empties the pipe (a new capture in the same process).
    static void Clear();
};
