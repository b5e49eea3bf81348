// OrvFfmpegPipe: a child program (ffmpeg) fed through a pipe on its standard input.
//
// The write end is not inherited by other children and the child starts with
// SIGPIPE at its default, in a process group of its own (a terminal's Ctrl+C
// reaches only us). A child that dies makes Write fail instead of killing us,
// provided the caller ignores SIGPIPE while it writes (OrvIgnoreSigpipe). The
// destructor ends a child still running (with what it started, where the
// system keeps them together): asked to terminate, then killed after a second.
// A child that shows no sign of work for kIdleMs while we wait for it (to
// take frames, or to finish) is given up on.
//
// Threads: use from one thread.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class OrvFfmpegPipe {
public:
    OrvFfmpegPipe();
    ~OrvFfmpegPipe();

    OrvFfmpegPipe(const OrvFfmpegPipe&) = delete;
    OrvFfmpegPipe& operator=(const OrvFfmpegPipe&) = delete;

    // Starts argv[0] (searched in PATH) with the pipe as its standard input.
    bool Start(const std::vector<std::string>& argv, std::string* error);

    // How long a child may do nothing (no CPU time, no reads or writes) while
    // we wait for it before it counts as stuck.
    static constexpr int kIdleMs = 10000;

    // Writes all bytes; false with a message when the child has gone away, or
    // takes nothing and does nothing for kIdleMs. A stop signal
    // (OrvStopSignals) before the first byte makes it write nothing; one that
    // comes mid-write leaves half a second to finish the block, after which
    // the child counts as stalled.
    bool Write(const void* data, size_t bytes, std::string* error);

    // Closes the pipe and waits up to `timeoutMs` for the child to finish; true
    // when it exited with status 0. A child that had stopped reading, or is
    // still running at the timeout, is left to the destructor.
    bool Finish(int timeoutMs, std::string* error);

    // Closes the pipe and waits for the child to finish with what it has, for
    // as long as it keeps working: its CPU time, its reads and writes or the
    // size of `output` change at least once every `idleMs`. Gives up (leaving
    // the child to the destructor) after `idleMs` without any of that, or at
    // a second stop signal (OrvStopSignals): the first, whether it came before
    // the wait (ending the frames early) or during it, asked for no more than
    // this. `waiting`, when given, is called once should the child not have
    // finished a second after a stop signal (to tell the user another one
    // gives up). True when the child exited with status 0.
    bool FinishWhileWorking(const std::string& output, int idleMs, std::string* error,
                            const std::function<void()>& waiting = {});

private:
    // Each platform's part of finishing. ClosePipe closes our end (a write
    // still under way is cancelled); Stalled: the child stopped reading while
    // a stop signal waited; WaitForChild waits up to `timeoutMs` (-1: as long
    // as it takes) and is true once the child has ended (else `error` says
    // how); ExitedCleanly: it has ended with status 0; Activity: a text that
    // changes while the child works (its CPU time, its I/O, the size of `output`).
    void ClosePipe();
    bool Stalled() const;
    bool WaitForChild(int timeoutMs, std::string* error);
    bool ExitedCleanly() const;
    std::string Activity(const std::string& output) const;

    struct Platform;
    std::unique_ptr<Platform> platform;
};

// Runs argv[0] (searched in PATH) to its end with its standard output in
// `output`; true when it exited with status 0, else `error` says how it ended.
bool OrvRunForOutput(const std::vector<std::string>& argv, std::string* output, std::string* error);

// True when `name` is an executable file in one of PATH's directories.
bool OrvFindProgram(const std::string& name);

// Ignores SIGPIPE for its lifetime and restores the previous disposition after
// (does nothing where writing to a closed pipe raises no signal).
class OrvIgnoreSigpipe {
public:
    OrvIgnoreSigpipe();
    ~OrvIgnoreSigpipe();
    OrvIgnoreSigpipe(const OrvIgnoreSigpipe&) = delete;
    OrvIgnoreSigpipe& operator=(const OrvIgnoreSigpipe&) = delete;

private:
    struct Platform;
    std::unique_ptr<Platform> platform;
};
