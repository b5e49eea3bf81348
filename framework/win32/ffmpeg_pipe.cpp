// OrvFfmpegPipe and its helpers on Windows: CreateProcessW with a pipe on the
// child's standard input. Our end of the pipe is opened for overlapped I/O (a
// named pipe with a name of its own: anonymous pipes cannot wait with a
// timeout), so a write can wait for room and for a stop signal at once.
#include "framework/ffmpeg_pipe.h"

#include "framework/stop_signals.h"
#include "framework/win32/command_line.h"
#include "framework/win32/stop_wake.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>

namespace {

// How long a write already under way may take to finish after a stop signal.
constexpr int kDrainMs = 500;
// The most one overlapped write hands over.
constexpr DWORD kChunk = 1 << 20;

// Describes how a child ended, for a failure message.
std::string ExitText(DWORD code)
{
    if (code >= 0xC0000000u) {
        char text[48];
        std::snprintf(text, sizeof text, "ended with exception 0x%08lx", static_cast<unsigned long>(code));
        return text;
    }
    return "exited with status " + std::to_string(code);
}

// An inheritable copy of one of our standard handles, null when there is none.
HANDLE InheritableCopy(DWORD which)
{
    const HANDLE h = GetStdHandle(which);
    HANDLE copy = nullptr;
    if (h && h != INVALID_HANDLE_VALUE &&
        DuplicateHandle(GetCurrentProcess(), h, GetCurrentProcess(), &copy, 0, TRUE, DUPLICATE_SAME_ACCESS))
        return copy;
    return nullptr;
}

// Starts argv[0] (searched in PATH) with the given standard handles (null:
// ours); `error` says why not.
bool Spawn(const std::vector<std::string>& argv, HANDLE in, HANDLE out, DWORD flags, PROCESS_INFORMATION* pi,
           std::string* error)
{
    const std::wstring program = OrvProgramPath(argv[0]);
    if (program.empty()) {
        *error = "cannot run " + argv[0] + ": not found in PATH";
        return false;
    }
    std::wstring line = OrvCommandLine(argv);
    HANDLE handles[3] = {in ? in : InheritableCopy(STD_INPUT_HANDLE), out ? out : InheritableCopy(STD_OUTPUT_HANDLE),
                         InheritableCopy(STD_ERROR_HANDLE)};
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = handles[0];
    si.hStdOutput = handles[1];
    si.hStdError = handles[2];
    // A console program started by one without a console gets a hidden one, not a window.
    if (GetConsoleCP() == 0)
        flags |= CREATE_NO_WINDOW;
    const BOOL started = CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, TRUE,
                                        flags | CREATE_UNICODE_ENVIRONMENT, nullptr, nullptr, &si, pi);
    const DWORD code = GetLastError();
    for (int k = 0; k < 3; ++k)
        if (handles[k] && !(k == 0 && in) && !(k == 1 && out))
            CloseHandle(handles[k]);
    if (!started) {
        *error = OrvWindowsError("cannot run " + argv[0], code);
        return false;
    }
    CloseHandle(pi->hThread);
    return true;
}

// A pipe with our end (write, overlapped, not inherited) and the child's
// (read, inheritable).
bool MakePipe(HANDLE* ours, HANDLE* theirs, std::string* error)
{
    static std::atomic<unsigned> serial{0};
    wchar_t name[96];
    std::swprintf(name, 96, L"\\\\.\\pipe\\orvdemo-%lu-%u-%llu", GetCurrentProcessId(), serial.fetch_add(1),
                  static_cast<unsigned long long>(GetTickCount64()));
    *ours = CreateNamedPipeW(name, PIPE_ACCESS_OUTBOUND | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
                             PIPE_TYPE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, 1 << 16, 0, 0, nullptr);
    if (*ours == INVALID_HANDLE_VALUE) {
        *error = OrvWindowsError("pipe", GetLastError());
        return false;
    }
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    *theirs = CreateFileW(name, GENERIC_READ, 0, &inherit, OPEN_EXISTING, 0, nullptr);
    if (*theirs == INVALID_HANDLE_VALUE) {
        *error = OrvWindowsError("pipe", GetLastError());
        CloseHandle(*ours);
        return false;
    }
    return true;
}

bool BrokenPipe(DWORD code) { return code == ERROR_BROKEN_PIPE || code == ERROR_NO_DATA; }

uint64_t FileTimeValue(const FILETIME& t) { return (uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime; }

}  // namespace

struct OrvFfmpegPipe::Platform {
    ~Platform()
    {
        if (event)
            CloseHandle(event);
    }
    bool WaitFor(int timeoutMs, std::string* error);
    std::string Activity(const std::string& output) const;
    void ClosePipe();

    HANDLE process = nullptr;
    DWORD processId = 0;
    HANDLE pipe = nullptr;
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);  // the overlapped write's
    OVERLAPPED write{};
    bool writing = false;        // an overlapped write is under way
    bool stalled = false;        // stopped reading while a stop signal waited
    bool exitedCleanly = false;
};

// Closes our end, cancelling a write still under way first (its buffer is the caller's).
void OrvFfmpegPipe::Platform::ClosePipe()
{
    if (!pipe)
        return;
    if (writing) {
        CancelIoEx(pipe, &write);
        DWORD ignored = 0;
        GetOverlappedResult(pipe, &write, &ignored, TRUE);
        writing = false;
    }
    CloseHandle(pipe);
    pipe = nullptr;
}

OrvFfmpegPipe::OrvFfmpegPipe() : platform(std::make_unique<Platform>()) {}

OrvFfmpegPipe::~OrvFfmpegPipe()
{
    platform->ClosePipe();
    if (platform->process) {
        // Ctrl+Break for its process group asks a console program to end (when
        // it shares our console); one that does not is ended a second later.
        GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, platform->processId);
        std::string ignored;
        if (!platform->WaitFor(1000, &ignored)) {
            TerminateProcess(platform->process, 1);
            platform->WaitFor(-1, &ignored);
        }
    }
}

bool OrvFfmpegPipe::Start(const std::vector<std::string>& argv, std::string* error)
{
    if (!platform->event) {
        *error = OrvWindowsError("pipe", GetLastError());
        return false;
    }
    HANDLE ours = nullptr, theirs = nullptr;
    if (!MakePipe(&ours, &theirs, error))
        return false;
    PROCESS_INFORMATION pi{};
    // Its own process group: a console's Ctrl+C reaches us, and we end it cleanly.
    const bool started = Spawn(argv, theirs, nullptr, CREATE_NEW_PROCESS_GROUP, &pi, error);
    CloseHandle(theirs);
    if (!started) {
        CloseHandle(ours);
        return false;
    }
    platform->process = pi.hProcess;
    platform->processId = pi.dwProcessId;
    platform->pipe = ours;
    return true;
}

bool OrvFfmpegPipe::Write(const void* data, size_t bytes, std::string* error)
{
    using Clock = std::chrono::steady_clock;
    Platform& p = *platform;
    const char* at = static_cast<const char*>(data);
    const size_t size = bytes;
    bool draining = false;  // a stop came mid-write: finish this block, but not forever
    Clock::time_point deadline;
    std::string seen = p.Activity("");
    Clock::time_point lastChange = Clock::now();
    const HANDLE wake = OrvStopSignalsWakeEvent();
    while (bytes > 0) {
        if (!draining && OrvStopSignals::Pending()) {
            if (bytes == size && !p.writing) {
                *error = "interrupted";
                return false;
            }
            draining = true;
            deadline = Clock::now() + std::chrono::milliseconds(kDrainMs);
        }
        DWORD code = ERROR_SUCCESS;
        if (!p.writing) {
            ResetEvent(p.event);
            p.write = OVERLAPPED{};
            p.write.hEvent = p.event;
            if (WriteFile(p.pipe, at, static_cast<DWORD>(std::min<size_t>(bytes, kChunk)), nullptr, &p.write))
                p.writing = true;  // done already; collected below
            else if ((code = GetLastError()) == ERROR_IO_PENDING)
                p.writing = true;
        }
        if (p.writing) {
            // Until a stop comes, look every second whether the child still works.
            DWORD timeout = 1000;
            if (draining) {
                const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
                timeout = static_cast<DWORD>(std::max<long long>(left.count(), 0));
            }
            // Wait for the write or, until a stop has come, for a stop signal.
            const HANDLE events[2] = {p.event, wake};
            const DWORD count = !draining && wake ? 2 : 1;
            const DWORD got = WaitForMultipleObjects(count, events, FALSE, timeout);
            if (got == WAIT_OBJECT_0 + 1)
                continue;
            if (got != WAIT_OBJECT_0 && got != WAIT_TIMEOUT) {
                *error = OrvWindowsError("waiting for ffmpeg", GetLastError());
                p.ClosePipe();
                return false;
            }
            if (got == WAIT_TIMEOUT && !draining) {
                if (const std::string now = p.Activity(""); now != seen) {
                    seen = now;
                    lastChange = Clock::now();
                    continue;
                }
                if (Clock::now() - lastChange <= std::chrono::milliseconds(kIdleMs))
                    continue;
                p.ClosePipe();
                p.stalled = true;
                *error = "ffmpeg took no frames and did nothing for " + std::to_string(kIdleMs / 1000) + " s";
                return false;
            }
            if (got == WAIT_TIMEOUT) {
                // It stopped reading: nothing it could still finish is worth waiting for.
                p.ClosePipe();
                p.stalled = true;
                *error = "ffmpeg stopped reading frames";
                return false;
            }
            DWORD n = 0;
            p.writing = false;
            if (GetOverlappedResult(p.pipe, &p.write, &n, FALSE)) {
                at += n;
                bytes -= n;
                continue;
            }
            code = GetLastError();
        }
        std::string ended;
        // (How it ended, if it has: one that closed its input and lingers is not waited for.)
        if (BrokenPipe(code))
            p.WaitFor(1000, &ended);
        *error = BrokenPipe(code) ? "ffmpeg stopped reading frames" + (ended.empty() ? "" : " (" + ended + ")")
                                  : OrvWindowsError("writing to ffmpeg", code);
        return false;
    }
    return true;
}

void OrvFfmpegPipe::ClosePipe() { platform->ClosePipe(); }

bool OrvFfmpegPipe::Stalled() const { return platform->stalled; }

bool OrvFfmpegPipe::WaitForChild(int timeoutMs, std::string* error) { return platform->WaitFor(timeoutMs, error); }

bool OrvFfmpegPipe::ExitedCleanly() const { return !platform->process && platform->exitedCleanly; }

std::string OrvFfmpegPipe::Activity(const std::string& output) const { return platform->Activity(output); }

// What shows the child still working: its CPU times, its I/O counters and the
// size of its output file. Any change is progress.
std::string OrvFfmpegPipe::Platform::Activity(const std::string& output) const
{
    std::string state;
    if (process) {
        FILETIME created, exited, kernel, user;
        if (GetProcessTimes(process, &created, &exited, &kernel, &user))
            state.append(std::to_string(FileTimeValue(kernel))).append(" ").append(std::to_string(FileTimeValue(user)));
        IO_COUNTERS io{};
        if (GetProcessIoCounters(process, &io))
            state.append("|").append(std::to_string(io.ReadTransferCount)).append(" ").append(
                std::to_string(io.WriteTransferCount));
    }
    WIN32_FILE_ATTRIBUTE_DATA file{};
    if (GetFileAttributesExW(OrvWide(output).c_str(), GetFileExInfoStandard, &file))
        state.append("|").append(std::to_string((uint64_t(file.nFileSizeHigh) << 32) | file.nFileSizeLow));
    return state;
}

// Collects the child, waiting at most `timeoutMs` (-1: as long as it takes).
// True once it has ended; `exitedCleanly` tells whether it exited with status
// 0, else `error` says how it ended.
bool OrvFfmpegPipe::Platform::WaitFor(int timeoutMs, std::string* error)
{
    if (!process)
        return true;
    const DWORD got = WaitForSingleObject(process, timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs));
    if (got == WAIT_TIMEOUT)
        return false;
    DWORD code = 1;
    if (got != WAIT_OBJECT_0 || !GetExitCodeProcess(process, &code)) {
        *error = OrvWindowsError("waiting for ffmpeg", GetLastError());
        code = 1;
    } else if (code != 0) {
        *error = "ffmpeg " + ExitText(code);
    }
    exitedCleanly = code == 0;
    CloseHandle(process);
    process = nullptr;
    return true;
}

bool OrvRunForOutput(const std::vector<std::string>& argv, std::string* output, std::string* error)
{
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) {
        *error = OrvWindowsError("pipe", GetLastError());
        return false;
    }
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    PROCESS_INFORMATION pi{};
    const bool started = Spawn(argv, nullptr, writeEnd, 0, &pi, error);
    CloseHandle(writeEnd);
    if (!started) {
        CloseHandle(readEnd);
        return false;
    }
    output->clear();
    char buffer[4096];
    DWORD n = 0;
    while (ReadFile(readEnd, buffer, sizeof buffer, &n, nullptr) && n > 0)
        output->append(buffer, n);
    CloseHandle(readEnd);
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    if (code == 0)
        return true;
    *error = argv[0] + " " + ExitText(code);
    return false;
}

bool OrvFindProgram(const std::string& name) { return !OrvProgramPath(name).empty(); }

// Writing to a pipe whose reader has gone raises no signal on Windows: the
// write fails (ERROR_NO_DATA or ERROR_BROKEN_PIPE) and Write reports it.
struct OrvIgnoreSigpipe::Platform {};

OrvIgnoreSigpipe::OrvIgnoreSigpipe() = default;

OrvIgnoreSigpipe::~OrvIgnoreSigpipe() = default;
