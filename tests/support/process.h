// Child processes for tests: start a program with its output in a file, wait
// for its exit code with a time limit, and ask whether it still runs.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

// Starts `program` with `args` in `dir` after `prepare` ran in the child (to
// change its environment); stdout is dropped, stderr goes to `errPath`.
inline pid_t StartProgram(const char* program, const std::vector<std::string>& args, const std::string& dir,
                          const std::string& errPath, const std::function<void()>& prepare = {})
{
    const pid_t pid = fork();
    if (pid != 0)
        return pid;
    if (prepare)
        prepare();
    if (chdir(dir.c_str()) != 0)
        _exit(100);
    const int devnull = open("/dev/null", O_WRONLY);
    const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(devnull, 1);
    dup2(err, 2);
    std::vector<char*> argv{const_cast<char*>(program)};
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(program, argv.data());
    _exit(101);
}

// Exit code of `pid` within `seconds` (128 + signal when killed); -1 and killed when still running.
inline int WaitExit(pid_t pid, int seconds)
{
    for (int i = 0; i < seconds * 100; ++i) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return -1;
}

// True while the child `pid` has not exited.
inline bool Running(pid_t pid) { return waitpid(pid, nullptr, WNOHANG) == 0; }
