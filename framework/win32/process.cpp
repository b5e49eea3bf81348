// This program's copies on Windows. The copies run in a job object that kills
// them when its last handle closes: ours, however this process ends (the
// Windows side of a parent-death signal). The swept directory is watched by a
// sweeper: this program started again with the directory in its environment,
// which it notices before main runs; it waits for this process to end, then
// removes the directory (again and again for a while, as the copies the job
// kills let go of their files).
#include "framework/process.h"

#include "framework/files.h"
#include "framework/win32/command_line.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdlib>
#include <cwchar>

namespace fs = std::filesystem;

namespace {

// Names the sweeper's directory and the handle of the process it waits for: "HANDLE|PATH".
const wchar_t kSweepVariable[] = L"ORVDEMO_SWEEP_DIRECTORY";
// How long the sweeper goes on trying to remove what the copies still hold.
constexpr int kSweepTries = 300;
constexpr DWORD kSweepPauseMs = 100;
// How long this process tries before leaving the rest to the sweeper.
constexpr int kRemoveTries = 30;

// In the sweeper, before main: waits for the process it watches and removes
// the directory, then ends; elsewhere does nothing.
struct Sweeper {
    Sweeper()
    {
        wchar_t value[32768];
        const DWORD n = GetEnvironmentVariableW(kSweepVariable, value, 32768);
        if (n == 0 || n >= 32768)
            return;
        wchar_t* rest = nullptr;
        const auto watched = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(std::wcstoull(value, &rest, 16)));
        if (!rest || *rest != L'|')
            return;
        const fs::path doomed = rest + 1;
        WaitForSingleObject(watched, INFINITE);
        std::error_code ec;
        for (int i = 0; i < kSweepTries; ++i) {
            fs::remove_all(doomed, ec);
            if (!fs::exists(doomed, ec))
                break;
            Sleep(kSweepPauseMs);
        }
        ExitProcess(0);
    }
} sweeper;

// The job every copy runs in, made on first use; null when the system has none.
HANDLE CopiesJob()
{
    static const HANDLE job = [] {
        const HANDLE j = CreateJobObjectW(nullptr, nullptr);
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        if (j && !SetInformationJobObject(j, JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
            CloseHandle(j);
            return HANDLE(nullptr);
        }
        return j;
    }();
    return job;
}

HANDLE AsHandle(intptr_t value) { return reinterpret_cast<HANDLE>(value); }

}  // namespace

std::string OrvThisProgram()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0)
            return {};
        if (n < path.size())
            return OrvNarrow(path.substr(0, n));
        path.resize(path.size() * 2);
    }
}

long OrvProcessId() { return static_cast<long>(GetCurrentProcessId()); }

OrvSweptDirectory::~OrvSweptDirectory()
{
    // A copy that has just ended may hold its files a moment longer (a file
    // deleted while open stays until its last handle closes).
    std::error_code ec;
    for (int i = 0; !path.empty() && i < kRemoveTries; ++i) {
        fs::remove_all(path, ec);
        if (!fs::exists(path, ec))
            break;
        Sleep(kSweepPauseMs);
    }
    // With the directory gone the sweeper has nothing left to do; otherwise it
    // removes the rest once this process has ended.
    if (sweeper != -1) {
        if (path.empty() || !fs::exists(path, ec))
            TerminateProcess(AsHandle(sweeper), 0);
        CloseHandle(AsHandle(sweeper));
    }
}

bool OrvSweptDirectory::Create(const fs::path& where, std::string* error)
{
    path = where;
    std::error_code ec;
    if (fs::exists(path, ec))
        fs::remove_all(path, ec);  // left by an earlier capture with this process number, killed outright
    if (!fs::create_directory(path, ec) && !fs::is_directory(path)) {
        path.clear();
        *error = "cannot make a working directory in " + OrvPathText(where.parent_path()) + ": " + ec.message();
        return false;
    }
    // The sweeper: this program, with an inheritable handle of this process.
    const std::wstring program = OrvWide(OrvThisProgram());
    HANDLE self = nullptr;
    if (program.empty() ||
        !DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &self, SYNCHRONIZE, TRUE, 0))
        return true;  // no sweeper: only a capture killed outright leaves the directory behind
    wchar_t handle[32];
    std::swprintf(handle, 32, L"%llx|", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(self)));
    SetEnvironmentVariableW(kSweepVariable, (handle + path.wstring()).c_str());
    std::wstring line = L"\"" + program + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    // Detached: a console's Ctrl+C does not reach it, and it stays to clean up.
    if (CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, TRUE, DETACHED_PROCESS, nullptr, nullptr,
                       &si, &pi)) {
        CloseHandle(pi.hThread);
        sweeper = reinterpret_cast<intptr_t>(pi.hProcess);
    }
    SetEnvironmentVariableW(kSweepVariable, nullptr);
    CloseHandle(self);
    return true;
}

// Windows names hold no line breaks: the copies are told the name itself.
std::string OrvSweptDirectory::NameForCopies() const { return OrvNarrow(path.wstring()); }

// Nobody keeps the list on Windows: a process killed outright leaves these
// (its swept directory excepted).
void OrvSweep::Add(Kind, const std::string&) {}
void OrvSweep::Drop(Kind, const std::string&) {}

// The copy starts suspended, joins the job (so it dies with this process) and
// only then runs.
bool OrvProgramCopy::Start(const std::vector<std::string>& args, const std::string& logPath,
                           const OrvSweptDirectory& /*keep*/, std::string* error)
{
    std::vector<std::string> all = {OrvThisProgram()};
    all.insert(all.end(), args.begin(), args.end());
    const std::wstring program = OrvWide(all[0]);
    std::wstring line = OrvCommandLine(all);
    const HANDLE job = CopiesJob();
    if (!job) {
        *error = OrvWindowsError("cannot start a capture process", GetLastError());
        return false;
    }
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    const HANDLE null = CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    &inherit, OPEN_EXISTING, 0, nullptr);
    const HANDLE log = CreateFileW(OrvWide(logPath).c_str(), GENERIC_WRITE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherit, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = null;
    si.hStdOutput = null;
    si.hStdError = log;
    PROCESS_INFORMATION pi{};
    DWORD flags = CREATE_SUSPENDED | CREATE_NEW_PROCESS_GROUP | CREATE_UNICODE_ENVIRONMENT;
    if (GetConsoleCP() == 0)
        flags |= CREATE_NO_WINDOW;
    bool started = null != INVALID_HANDLE_VALUE && log != INVALID_HANDLE_VALUE &&
                   CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, TRUE, flags, nullptr, nullptr, &si,
                                  &pi);
    DWORD code = GetLastError();
    if (started && !AssignProcessToJobObject(job, pi.hProcess)) {
        code = GetLastError();
        TerminateProcess(pi.hProcess, 127);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        started = false;
    }
    if (null != INVALID_HANDLE_VALUE)
        CloseHandle(null);
    if (log != INVALID_HANDLE_VALUE)
        CloseHandle(log);
    if (!started) {
        *error = OrvWindowsError("cannot start a capture process", code);
        return false;
    }
    ResumeThread(pi.hThread);
    CloseHandle(pi.hThread);
    process = reinterpret_cast<intptr_t>(pi.hProcess);
    return true;
}

bool OrvProgramCopy::Ended()
{
    if (process <= 0 || WaitForSingleObject(AsHandle(process), 0) != WAIT_OBJECT_0)
        return false;
    Wait();
    return true;
}

// Ctrl+Break for its process group (a stop request it honours) when it shares
// our console; without one, it is ended outright.
void OrvProgramCopy::Terminate()
{
    if (process > 0 && !GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, GetProcessId(AsHandle(process))))
        TerminateProcess(AsHandle(process), 1);
}

void OrvProgramCopy::Wait()
{
    if (process <= 0)
        return;
    WaitForSingleObject(AsHandle(process), INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(AsHandle(process), &code);
    status = static_cast<int>(code);
    CloseHandle(AsHandle(process));
    process = -1;
}

// Windows has no signals: a process ends with an exit status, whatever ended it.
bool OrvProgramCopy::Succeeded() const { return status == 0; }

int OrvProgramCopy::Signal() const { return 0; }

int OrvProgramCopy::ExitStatus() const { return status; }
