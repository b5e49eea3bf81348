// OrvFfmpegPipe and its helpers on POSIX: posix_spawnp, a pipe, waitpid, and
// /proc to see whether a finishing child still works.
#include "framework/ffmpeg_pipe.h"

#include "framework/linux/stop_wake.h"
#include "framework/process.h"
#include "framework/stop_signals.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

extern char** environ;

namespace {

// How long a write already under way may take to finish after a stop signal.
constexpr int kDrainMs = 500;

std::string Errno(const std::string& what, int code) { return what + ": " + std::strerror(code); }

// Describes how a child ended, for a failure message.
std::string ExitText(int status)
{
    if (WIFEXITED(status))
        return "exited with status " + std::to_string(WEXITSTATUS(status));
    if (WIFSIGNALED(status))
        return std::string("was killed by signal ") + strsignal(WTERMSIG(status));
    return "ended abnormally";
}

// Starts argv[0] (searched in PATH) with the given file actions and attributes
// (either may be null); returns posix_spawn's result (0 or an errno value).
int OrvSpawn(const std::vector<std::string>& argv, const posix_spawn_file_actions_t* actions,
             const posix_spawnattr_t* attr, pid_t* pid)
{
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    return posix_spawnp(pid, args[0], actions, attr, args.data(), environ);
}

}  // namespace

struct OrvFfmpegPipe::Platform {
    bool WaitFor(int timeoutMs, std::string* error);
    bool Ended(int timeoutMs) const;
    void Collect(std::string* error);
    std::string Activity(const std::string& output) const;

    pid_t child = -1;
    int fd = -1;
    bool stalled = false;        // stopped reading while a stop signal waited
    bool exitedCleanly = false;
};

OrvFfmpegPipe::OrvFfmpegPipe() : platform(std::make_unique<Platform>()) {}

OrvFfmpegPipe::~OrvFfmpegPipe()
{
    if (platform->fd >= 0)
        close(platform->fd);
    platform->fd = -1;
    if (platform->child > 0) {
        // The whole of its process group: a script standing in for ffmpeg
        // goes with whatever it started.
        killpg(platform->child, SIGTERM);
        platform->Ended(1000);
        std::string ignored;
        platform->Collect(&ignored);
    }
}

bool OrvFfmpegPipe::Start(const std::vector<std::string>& argv, std::string* error)
{
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) {
        *error = Errno("pipe", errno);
        return false;
    }

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[0], STDIN_FILENO);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    // Its own process group: a Ctrl+C on the terminal reaches us, and we end it cleanly.
    posix_spawnattr_setpgroup(&attr, 0);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);

    const int rc = OrvSpawn(argv, &actions, &attr, &platform->child);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    close(ends[0]);
    if (rc != 0) {
        platform->child = -1;
        close(ends[1]);
        *error = Errno("cannot run " + argv[0], rc);
        return false;
    }
    platform->fd = ends[1];
    // Writes never block: waiting is poll's, which also watches the stop signals and the time.
    fcntl(platform->fd, F_SETFL, fcntl(platform->fd, F_GETFL) | O_NONBLOCK);
    // Should we be killed outright, the sweeper ends it (and what it started).
    OrvSweep::Add(OrvSweep::Kind::ProcessGroup, std::to_string(platform->child));
    return true;
}

bool OrvFfmpegPipe::Write(const void* data, size_t bytes, std::string* error)
{
    using Clock = std::chrono::steady_clock;
    const char* p = static_cast<const char*>(data);
    const size_t size = bytes;
    bool draining = false;  // a stop came mid-write: finish this block, but not forever
    Clock::time_point deadline;
    std::string seen = platform->Activity("");
    Clock::time_point lastChange = Clock::now();
    while (bytes > 0) {
        if (!draining && OrvStopSignals::Pending()) {
            if (bytes == size) {
                *error = "interrupted";
                return false;
            }
            draining = true;
            deadline = Clock::now() + std::chrono::milliseconds(kDrainMs);
        }
        // Until a stop comes, look every second whether the child still works.
        int timeout = 1000;
        if (draining) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0) {
                // It stopped reading: nothing it could still finish is worth waiting for.
                platform->stalled = true;
                *error = "ffmpeg stopped reading frames";
                return false;
            }
            timeout = static_cast<int>(left.count());
        }
        // Wait for room in the pipe or, until a stop has come, for a stop signal.
        pollfd fds[2] = {{platform->fd, POLLOUT, 0}, {OrvStopSignalsWakeFd(), POLLIN, 0}};
        const nfds_t count = !draining && fds[1].fd >= 0 ? 2 : 1;
        if (poll(fds, count, timeout) < 0 && errno != EINTR) {
            *error = Errno("waiting for ffmpeg", errno);
            return false;
        }
        if (!(fds[0].revents & (POLLOUT | POLLERR | POLLHUP))) {
            if (draining)
                continue;
            if (const std::string now = platform->Activity(""); now != seen) {
                seen = now;
                lastChange = Clock::now();
            } else if (Clock::now() - lastChange > std::chrono::milliseconds(kIdleMs)) {
                platform->stalled = true;
                *error = "ffmpeg took no frames and did nothing for " + std::to_string(kIdleMs / 1000) + " s";
                return false;
            }
            continue;
        }
        const ssize_t n = write(platform->fd, p, bytes);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n < 0) {
            const int code = errno;
            std::string ended;
            // (How it ended, if it has: one that closed its input and lingers is not waited for.)
            if (code == EPIPE)
                platform->WaitFor(1000, &ended);
            *error = code == EPIPE ? "ffmpeg stopped reading frames" + (ended.empty() ? "" : " (" + ended + ")")
                                   : Errno("writing to ffmpeg", code);
            return false;
        }
        p += n;
        bytes -= static_cast<size_t>(n);
    }
    return true;
}

void OrvFfmpegPipe::ClosePipe()
{
    if (platform->fd >= 0)
        close(platform->fd);
    platform->fd = -1;
}

bool OrvFfmpegPipe::Stalled() const { return platform->stalled; }

bool OrvFfmpegPipe::WaitForChild(int timeoutMs, std::string* error) { return platform->WaitFor(timeoutMs, error); }

bool OrvFfmpegPipe::ExitedCleanly() const { return platform->child <= 0 && platform->exitedCleanly; }

std::string OrvFfmpegPipe::Activity(const std::string& output) const { return platform->Activity(output); }

// What shows the child still working: its CPU time and I/O counters (from
// /proc, where there is one) and the size of its output file. Any change is progress.
std::string OrvFfmpegPipe::Platform::Activity(const std::string& output) const
{
    const auto slurp = [](const std::string& path) {
        std::ifstream in(path);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    };
    std::string state;
    if (child > 0) {
        // After the command name (which may hold anything): state, ppid, pgrp,
        // session, tty, tpgid, flags, four fault counts, then utime and stime.
        const std::string stat = slurp("/proc/" + std::to_string(child) + "/stat");
        const size_t name = stat.rfind(')');
        if (name != std::string::npos) {
            std::istringstream fields(stat.substr(name + 1));
            std::string field;
            for (int k = 0; k < 13 && fields >> field; ++k)
                if (k >= 11)
                    state.append(field).push_back(' ');
        }
        const std::string io = slurp("/proc/" + std::to_string(child) + "/io");
        state.push_back('|');
        state.append(io, 0, io.find("syscr"));  // rchar and wchar
    }
    struct stat st {};
    if (stat(output.c_str(), &st) == 0)
        state.append(std::to_string(st.st_size));
    return state;
}

// True once the child has ended (it is not collected yet), waiting at most
// `timeoutMs` for it (-1: as long as it takes).
bool OrvFfmpegPipe::Platform::Ended(int timeoutMs) const
{
    const auto start = std::chrono::steady_clock::now();
    for (;;) {
        siginfo_t info{};
        const int rc = waitid(P_PID, static_cast<id_t>(child), &info, WEXITED | WNOWAIT | (timeoutMs < 0 ? 0 : WNOHANG));
        if ((rc == 0 && info.si_pid == child) || (rc < 0 && errno != EINTR))
            return true;
        if (timeoutMs >= 0 &&
            std::chrono::steady_clock::now() - start > std::chrono::milliseconds(timeoutMs))
            return false;
        if (timeoutMs >= 0)
            usleep(10000);
    }
}

// Ends what is left of the child's process group (it may be ended already),
// then collects the child: `exitedCleanly` tells whether it exited with status
// 0, else `error` says how it ended.
void OrvFfmpegPipe::Platform::Collect(std::string* error)
{
    if (child <= 0)
        return;
    // Until the child is collected its number stays its group's: no other
    // process can have it.
    killpg(child, SIGKILL);
    int status = 0;
    pid_t got;
    while ((got = waitpid(child, &status, 0)) < 0 && errno == EINTR) {
    }
    const int code = errno;
    OrvSweep::Drop(OrvSweep::Kind::ProcessGroup, std::to_string(child));
    child = -1;
    exitedCleanly = got > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (got < 0)
        *error = Errno("waiting for ffmpeg", code);
    else if (!exitedCleanly)
        *error = "ffmpeg " + ExitText(status);
}

// Collects the child once it has ended, waiting at most `timeoutMs` (-1: as
// long as it takes). True once it has been collected.
bool OrvFfmpegPipe::Platform::WaitFor(int timeoutMs, std::string* error)
{
    if (child <= 0)
        return true;
    if (!Ended(timeoutMs))
        return false;
    Collect(error);
    return true;
}

bool OrvRunForOutput(const std::vector<std::string>& argv, std::string* output, std::string* error)
{
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) {
        *error = Errno("pipe", errno);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[1], STDOUT_FILENO);
    pid_t pid = -1;
    const int rc = OrvSpawn(argv, &actions, nullptr, &pid);
    posix_spawn_file_actions_destroy(&actions);
    close(ends[1]);
    if (rc != 0) {
        close(ends[0]);
        *error = Errno("cannot run " + argv[0], rc);
        return false;
    }
    output->clear();
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(ends[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        output->append(buffer, static_cast<size_t>(n));
    }
    close(ends[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
        return true;
    *error = argv[0] + " " + ExitText(status);
    return false;
}

bool OrvFindProgram(const std::string& name)
{
    const char* path = std::getenv("PATH");
    if (!path)
        return false;
    std::string dirs = path;
    size_t begin = 0;
    while (begin <= dirs.size()) {
        size_t end = dirs.find(':', begin);
        if (end == std::string::npos)
            end = dirs.size();
        const std::string dir = end > begin ? dirs.substr(begin, end - begin) : ".";
        if (access((dir + "/" + name).c_str(), X_OK) == 0)
            return true;
        begin = end + 1;
    }
    return false;
}

struct OrvIgnoreSigpipe::Platform {
    struct sigaction previous {};
};

OrvIgnoreSigpipe::OrvIgnoreSigpipe() : platform(std::make_unique<Platform>())
{
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, &platform->previous);
}

OrvIgnoreSigpipe::~OrvIgnoreSigpipe() { sigaction(SIGPIPE, &platform->previous, nullptr); }
