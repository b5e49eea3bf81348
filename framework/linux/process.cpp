// This program's copies on Linux: fork and exec of /proc/self/exe, the
// parent-death signal, and a forked sweeper watching a pipe.
#include "framework/process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace fs = std::filesystem;

std::string OrvThisProgram()
{
    std::error_code ec;
    return fs::read_symlink("/proc/self/exe", ec).string();
}

long OrvProcessId() { return static_cast<long>(getpid()); }

// The sweeper is a fork made before the copies: it waits for end-of-file on a
// pipe that this process and every copy hold open, so it sees the last of
// them go, however they went, and removes the directory.
OrvSweptDirectory::~OrvSweptDirectory()
{
    std::error_code ec;
    if (!path.empty())
        fs::remove_all(path, ec);
    if (hold >= 0)
        close(static_cast<int>(hold));
    // The sweeper ends as soon as every holder is gone; a straggler is left to finish alone.
    for (int i = 0; i < 100 && sweeper > 0; ++i) {
        if (waitpid(static_cast<pid_t>(sweeper), nullptr, WNOHANG) != 0)
            break;
        usleep(10000);
    }
}

bool OrvSweptDirectory::Create(const fs::path& where, std::string* error)
{
    path = where;
    std::error_code ec;
    if (mkdir(path.c_str(), 0700) != 0 && errno == EEXIST) {
        // Left by an earlier capture with this process number that was killed outright.
        fs::remove_all(path, ec);
    }
    if (!fs::is_directory(path, ec) && mkdir(path.c_str(), 0700) != 0) {
        const int code = errno;
        path.clear();
        *error = "cannot make a working directory in " + where.parent_path().string() + ": " + std::strerror(code);
        return false;
    }
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0)
        return true;  // no sweeper: only a kill -9 would leave the directory behind
    const std::string doomed = path.string();
    const pid_t pid = fork();
    if (pid == 0) {
        close(ends[1]);
        // A terminal's Ctrl+C reaches the whole process group: this one stays to clean up.
        for (int sig : {SIGHUP, SIGINT, SIGQUIT, SIGPIPE, SIGALRM, SIGTERM, SIGUSR1, SIGUSR2, SIGXCPU, SIGXFSZ})
            signal(sig, SIG_IGN);
        const int null = open("/dev/null", O_RDWR);
        for (int fd = 0; fd < 3; ++fd)
            dup2(null, fd);
        for (char byte;;) {
            const ssize_t n = read(ends[0], &byte, 1);
            if (n == 0 || (n < 0 && errno != EINTR))
                break;
        }
        std::error_code ec;
        fs::remove_all(doomed, ec);
        _exit(0);
    }
    sweeper = pid;
    close(ends[0]);
    if (pid < 0)
        close(ends[1]);
    else
        hold = ends[1];
    return true;
}

// The copy dies with this process (a parent killed outright cannot stop it
// otherwise) and holds the directory's pipe until it exits.
bool OrvProgramCopy::Start(const std::vector<std::string>& args, const std::string& logPath,
                           const OrvSweptDirectory& keep, std::string* error)
{
    std::vector<std::string> all = {OrvThisProgram()};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const int hold = static_cast<int>(keep.hold);

    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid == 0) {
        // Only async-signal-safe calls from here to exec.
        if (prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || getppid() != parent)
            _exit(127);
        const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
        const int log = open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (null < 0 || log < 0 || dup2(null, STDOUT_FILENO) < 0 || dup2(log, STDERR_FILENO) < 0)
            _exit(127);
        if (hold >= 0)
            fcntl(hold, F_SETFD, 0);
        execv("/proc/self/exe", argv.data());
        _exit(127);
    }
    if (pid < 0) {
        *error = "cannot start a capture process: " + std::string(std::strerror(errno));
        return false;
    }
    process = pid;
    return true;
}

bool OrvProgramCopy::Ended()
{
    if (process <= 0 || waitpid(static_cast<pid_t>(process), &status, WNOHANG) != process)
        return false;
    process = -1;
    return true;
}

void OrvProgramCopy::Terminate()
{
    if (process > 0)
        kill(static_cast<pid_t>(process), SIGTERM);
}

void OrvProgramCopy::Wait()
{
    if (process <= 0)
        return;
    waitpid(static_cast<pid_t>(process), &status, 0);
    process = -1;
}

bool OrvProgramCopy::Succeeded() const { return WIFEXITED(status) && WEXITSTATUS(status) == 0; }

int OrvProgramCopy::Signal() const { return WIFSIGNALED(status) ? WTERMSIG(status) : 0; }

int OrvProgramCopy::ExitStatus() const { return WEXITSTATUS(status); }
