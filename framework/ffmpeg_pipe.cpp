#include "framework/ffmpeg_pipe.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace {

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

}  // namespace

OrvFfmpegPipe::~OrvFfmpegPipe()
{
    if (fd >= 0)
        close(fd);
    if (child > 0) {
        kill(child, SIGTERM);
        int status = 0;
        while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
    }
}

bool OrvFfmpegPipe::Start(const std::vector<std::string>& argv, std::string* error)
{
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) {
        *error = Errno("pipe", errno);
        return false;
    }
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[0], STDIN_FILENO);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF);

    const int rc = posix_spawnp(&child, args[0], &actions, &attr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    close(ends[0]);
    if (rc != 0) {
        child = -1;
        close(ends[1]);
        *error = Errno("cannot run " + argv[0], rc);
        return false;
    }
    fd = ends[1];
    return true;
}

bool OrvFfmpegPipe::Write(const void* data, size_t bytes, std::string* error)
{
    const char* p = static_cast<const char*>(data);
    while (bytes > 0) {
        const ssize_t n = write(fd, p, bytes);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int code = errno;
            std::string ended;
            if (code == EPIPE)
                Wait(&ended);
            *error = code == EPIPE ? "ffmpeg stopped reading frames" + (ended.empty() ? "" : " (" + ended + ")")
                                   : Errno("writing to ffmpeg", code);
            return false;
        }
        p += n;
        bytes -= static_cast<size_t>(n);
    }
    return true;
}

bool OrvFfmpegPipe::Finish(std::string* error)
{
    if (fd >= 0)
        close(fd);
    fd = -1;
    return Wait(error);
}

// Reaps the child; true when it exited with status 0, else `error` says how it ended.
bool OrvFfmpegPipe::Wait(std::string* error)
{
    if (child <= 0)
        return false;
    int status = 0;
    pid_t got;
    while ((got = waitpid(child, &status, 0)) < 0 && errno == EINTR) {
    }
    child = -1;
    if (got < 0) {
        *error = Errno("waiting for ffmpeg", errno);
        return false;
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
        return true;
    *error = "ffmpeg " + ExitText(status);
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

OrvIgnoreSigpipe::OrvIgnoreSigpipe()
{
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, &previous);
}

OrvIgnoreSigpipe::~OrvIgnoreSigpipe() { sigaction(SIGPIPE, &previous, nullptr); }
