// This program's copies on Linux: fork and exec of /proc/self/exe, the
// parent-death signal, and a sweeper in a session of its own watching a socket.
#include "framework/process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace fs = std::filesystem;

std::string OrvThisProgram()
{
    std::error_code ec;
    return fs::read_symlink("/proc/self/exe", ec).string();
}

long OrvProcessId() { return static_cast<long>(getpid()); }

namespace {

// The sweeper's end of the socket; -1 before the first use, -2 when it could not start.
int sweepSocket = -1;

// The sweeper's whole life: reads "KIND PATH\0" (Add) and "-KIND PATH\0"
// (Drop) until every holder of the other end is gone, then puts right what is
// still listed. Never returns.
[[noreturn]] void SweeperMain(int from)
{
    for (int sig : {SIGHUP, SIGINT, SIGQUIT, SIGPIPE, SIGALRM, SIGTERM, SIGUSR1, SIGUSR2, SIGXCPU, SIGXFSZ})
        signal(sig, SIG_IGN);
    prctl(PR_SET_NAME, "orv-sweeper");
    // Every path it is given is absolute; it keeps no directory busy.
    if (chdir("/") != 0) {
    }
    const int null = open("/dev/null", O_RDWR);
    for (int fd = 0; fd < 3 && null >= 0; ++fd)
        dup2(null, fd);
    // Only the socket stays open: nothing of the owner's (its copies' socket
    // ends, its pipes) is kept alive by us.
    for (int fd = 3; fd < 1024; ++fd)
        if (fd != from)
            close(fd);
    std::vector<std::string> listed;
    std::string pending;
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(from, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        pending.append(buffer, static_cast<size_t>(n));
        for (size_t end; (end = pending.find('\0')) != std::string::npos; pending.erase(0, end + 1)) {
            const std::string entry = pending.substr(0, end);
            if (entry.size() > 1 && entry[0] == '-') {
                for (size_t k = listed.size(); k-- > 0;)
                    if (listed[k] == entry.substr(1)) {
                        listed.erase(listed.begin() + static_cast<std::ptrdiff_t>(k));
                        break;
                    }
            } else if (!entry.empty()) {
                listed.push_back(entry);
            }
        }
    }
    // Processes first, so nothing writes into what goes next; directories last,
    // the innermost (listed last) first.
    for (const std::string& e : listed)
        if (e[0] == 'g')
            kill(-static_cast<pid_t>(std::atol(e.c_str() + 2)), SIGKILL);
    std::error_code ec;
    for (const std::string& e : listed)
        if (e[0] == 'f')
            unlink(e.c_str() + 2);
        else if (e[0] == 't')
            fs::remove_all(e.substr(2), ec);
    for (size_t k = listed.size(); k-- > 0;)
        if (listed[k][0] == 'e')
            rmdir(listed[k].c_str() + 2);
    _exit(0);
}

// Our end of the sweeper's socket, starting the sweeper on first use; -1 when there is none.
int SweepSocket()
{
    if (sweepSocket != -1)
        return sweepSocket >= 0 ? sweepSocket : -1;
    sweepSocket = -2;
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
        return -1;
    // Forked twice, the sweeper is nobody's child of ours and, after setsid,
    // in a session and process group of its own.
    const pid_t middle = fork();
    if (middle == 0) {
        close(ends[0]);
        if (setsid() < 0 || fork() != 0)
            _exit(0);
        SweeperMain(ends[1]);
    }
    close(ends[1]);
    if (middle < 0) {
        close(ends[0]);
        return -1;
    }
    while (waitpid(middle, nullptr, 0) < 0 && errno == EINTR) {
    }
    sweepSocket = ends[0];
    return sweepSocket;
}

void SendToSweeper(const std::string& message)
{
    const int fd = SweepSocket();
    // A sweeper that is gone must not stop us: no SIGPIPE.
    for (size_t at = 0; fd >= 0 && at < message.size();) {
        const ssize_t n = send(fd, message.data() + at, message.size() - at, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        at += static_cast<size_t>(n);
    }
}

}  // namespace

// "KIND PATH\0", after a '-' for a Drop.
static std::string SweepEntry(bool drop, OrvSweep::Kind kind, const std::string& what)
{
    std::string entry;
    entry.reserve(what.size() + 4);
    if (drop)
        entry.push_back('-');
    entry.push_back(static_cast<char>(kind));
    entry.push_back(' ');
    entry.append(what);
    entry.push_back('\0');
    return entry;
}

void OrvSweep::Add(Kind kind, const std::string& what) { SendToSweeper(SweepEntry(false, kind, what)); }

void OrvSweep::Drop(Kind kind, const std::string& what)
{
    if (sweepSocket >= 0)
        SendToSweeper(SweepEntry(true, kind, what));
}

// The directory is listed with the sweeper, whose socket every copy holds.
OrvSweptDirectory::~OrvSweptDirectory()
{
    std::error_code ec;
    if (handle >= 0)
        close(static_cast<int>(handle));
    if (path.empty())
        return;
    fs::remove_all(path, ec);
    OrvSweep::Drop(OrvSweep::Kind::Tree, path.string());
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
    OrvSweep::Add(OrvSweep::Kind::Tree, path.string());
    hold = SweepSocket();
    handle = open(path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    return true;
}

std::string OrvSweptDirectory::NameForCopies() const
{
    return handle >= 0 ? "/proc/self/fd/" + std::to_string(handle) : path.string();
}

// The copy dies with this process (a parent killed outright cannot stop it
// otherwise) and holds the sweeper's socket until it exits.
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
    const int handle = static_cast<int>(keep.handle);

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
        if (handle >= 0)
            fcntl(handle, F_SETFD, 0);
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
