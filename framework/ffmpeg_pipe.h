// OrvFfmpegPipe: a child program (ffmpeg) fed through a pipe on its standard input.
//
// The write end is close-on-exec and the child starts with SIGPIPE at its
// default. A child that dies makes Write fail with EPIPE instead of killing us,
// provided the caller ignores SIGPIPE while it writes (OrvIgnoreSigpipe).
//
// Threads: use from one thread.
#pragma once

#include <signal.h>
#include <sys/types.h>

#include <string>
#include <vector>

class OrvFfmpegPipe {
public:
    OrvFfmpegPipe() = default;
    ~OrvFfmpegPipe();

    OrvFfmpegPipe(const OrvFfmpegPipe&) = delete;
    OrvFfmpegPipe& operator=(const OrvFfmpegPipe&) = delete;

    // Starts argv[0] (searched in PATH) with the pipe as its standard input.
    bool Start(const std::vector<std::string>& argv, std::string* error);

    // Writes all bytes; false with a message when the child has gone away.
    bool Write(const void* data, size_t bytes, std::string* error);

    // Closes the pipe and waits; true when the child exited with status 0.
    bool Finish(std::string* error);

private:
    bool Wait(std::string* error);

    pid_t child = -1;
    int fd = -1;
};

// True when `name` is an executable file in one of PATH's directories.
bool OrvFindProgram(const std::string& name);

// Ignores SIGPIPE for its lifetime and restores the previous disposition after.
class OrvIgnoreSigpipe {
public:
    OrvIgnoreSigpipe();
    ~OrvIgnoreSigpipe();
    OrvIgnoreSigpipe(const OrvIgnoreSigpipe&) = delete;
    OrvIgnoreSigpipe& operator=(const OrvIgnoreSigpipe&) = delete;

private:
    struct sigaction previous {};
};
