#include "framework/win32/console.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// The console that stdout and stderr write into, through `drain`.
HANDLE console = nullptr;
HANDLE pipeIn = nullptr;
HANDLE drain = nullptr;
bool piped[3] = {};

// Writes what comes through the pipe into the console as UTF-16. A character
// whose bytes came in two reads waits for its last bytes.
DWORD WINAPI Drain(void*)
{
    char bytes[4096 + 4];
    wchar_t wide[4096 + 4];
    DWORD kept = 0;
    DWORD got = 0;
    while (ReadFile(pipeIn, bytes + kept, 4096, &got, nullptr) && got > 0) {
        DWORD end = kept + got;
        // Back up over a sequence the read cut short (at most 3 bytes).
        DWORD whole = end;
        for (DWORD back = 1; back <= 3 && back <= end; ++back) {
            const unsigned char c = static_cast<unsigned char>(bytes[end - back]);
            if ((c & 0xC0) == 0x80)
                continue;  // a continuation byte: look further back
            const DWORD length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
            if (length > back)
                whole = end - back;
            break;
        }
        const int n = MultiByteToWideChar(CP_UTF8, 0, bytes, static_cast<int>(whole), wide, 4096 + 4);
        DWORD written = 0;
        if (n > 0)
            WriteConsoleW(console, wide, static_cast<DWORD>(n), &written, nullptr);
        kept = end - whole;
        std::memmove(bytes, bytes + whole, kept);
    }
    return 0;
}

// Points the descriptor `fd` (1 or 2) at the pipe's write end, leaving the
// standard handle on the console for programs we start.
void IntoPipe(int fd, HANDLE pipeOut, DWORD which)
{
    HANDLE copy = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), pipeOut, GetCurrentProcess(), &copy, 0, FALSE,
                         DUPLICATE_SAME_ACCESS))
        return;
    const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(copy), _O_BINARY | _O_WRONLY);
    if (descriptor < 0) {
        CloseHandle(copy);
        return;
    }
    _dup2(descriptor, fd);
    _close(descriptor);
    // _dup2 made the new handle inheritable: a started program keeping it
    // would hold the pipe open past our exit.
    SetHandleInformation(reinterpret_cast<HANDLE>(_get_osfhandle(fd)), HANDLE_FLAG_INHERIT, 0);
    SetStdHandle(which, console);
    piped[fd] = true;
}

bool IsConsole(HANDLE handle)
{
    DWORD mode = 0;
    return handle && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode);
}

// A console turns the bytes of each WriteFile into characters on their own,
// so a character split between two writes shows as replacement characters,
// and the C library's unbuffered stderr writes a line in pieces.
// stdout and stderr, where they are the console, write into a pipe instead,
// and a thread hands whole characters to WriteConsoleW. `outShown` and
// `errShown` say that the stream was reopened on CONOUT$ (a handle that
// GetConsoleMode refuses: it lacks read access).
void WriteConsoleAsUtf16(bool outShown, bool errShown)
{
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    const HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    const bool toOut = outShown || IsConsole(out);
    const bool toErr = errShown || IsConsole(err);
    if (!toOut && !toErr)
        return;
    // Our own handle: _dup2 closes the one the descriptor had.
    if (!DuplicateHandle(GetCurrentProcess(), toErr ? err : out, GetCurrentProcess(), &console, 0, TRUE,
                         DUPLICATE_SAME_ACCESS))
        return;
    HANDLE pipeOut = nullptr;
    if (!CreatePipe(&pipeIn, &pipeOut, nullptr, 0)) {
        CloseHandle(console);
        console = nullptr;
        return;
    }
    drain = CreateThread(nullptr, 0, Drain, nullptr, 0, nullptr);
    if (!drain) {
        CloseHandle(pipeIn);
        CloseHandle(pipeOut);
        CloseHandle(console);
        console = nullptr;
        return;
    }
    std::fflush(stdout);
    std::fflush(stderr);
    if (toOut) {
        IntoPipe(1, pipeOut, STD_OUTPUT_HANDLE);
        std::setvbuf(stdout, nullptr, _IONBF, 0);
    }
    if (toErr) {
        IntoPipe(2, pipeOut, STD_ERROR_HANDLE);
        std::setvbuf(stderr, nullptr, _IONBF, 0);
    }
    CloseHandle(pipeOut);
    std::atexit(OrvFinishConsole);
}

UINT earlierOutputPage = 0;

void RestoreOutputPage()
{
    if (earlierOutputPage)
        SetConsoleOutputCP(earlierOutputPage);
}

// True when the handle leads somewhere other than a console: a file, a pipe,
// or a device such as NUL. Such a stream was redirected and stays as it is.
bool Redirected(DWORD which)
{
    const HANDLE handle = GetStdHandle(which);
    if (!handle || handle == INVALID_HANDLE_VALUE)
        return false;
    DWORD mode = 0;
    switch (GetFileType(handle)) {
    case FILE_TYPE_DISK:
    case FILE_TYPE_PIPE: return true;
    case FILE_TYPE_CHAR: return !GetConsoleMode(handle, &mode);
    default: return false;
    }
}

// Reopens `stream` on the console device and makes it the standard handle
// `which`, so that child programs inherit it too.
// False when the device could not be opened.
bool Rebind(std::FILE* stream, const char* device, const char* mode, DWORD which)
{
    if (!std::freopen(device, mode, stream))
        return false;
    _setmode(_fileno(stream), _O_BINARY);
    SetStdHandle(which, reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream))));
    return true;
}

}  // namespace

void OrvUseParentConsole()
{
    // Attached even when every stream is redirected: Ctrl+C in the console
    // then still reaches the program's stop handler. A console program has
    // its console already (the attach is refused as access denied).
    if (!AttachConsole(ATTACH_PARENT_PROCESS) && GetLastError() != ERROR_ACCESS_DENIED)
        return;
    if (!Redirected(STD_INPUT_HANDLE))
        (void)Rebind(stdin, "CONIN$", "rb", STD_INPUT_HANDLE);
    const bool outShown = !Redirected(STD_OUTPUT_HANDLE) && Rebind(stdout, "CONOUT$", "wb", STD_OUTPUT_HANDLE);
    const bool errShown = !Redirected(STD_ERROR_HANDLE) && Rebind(stderr, "CONOUT$", "wb", STD_ERROR_HANDLE);
    if (errShown)
        std::setvbuf(stderr, nullptr, _IONBF, 0);
    const bool shown = outShown || errShown;
    WriteConsoleAsUtf16(outShown, errShown);
    const UINT page = GetConsoleOutputCP();
    if (shown && page != CP_UTF8 && SetConsoleOutputCP(CP_UTF8)) {
        earlierOutputPage = page;
        std::atexit(RestoreOutputPage);
    }
}

void OrvFinishConsole()
{
    // Once, whichever thread comes first (a fatal failure, exit()).
    const HANDLE thread = InterlockedExchangePointer(&drain, nullptr);
    if (!thread)
        return;
    std::fflush(stdout);
    std::fflush(stderr);
    // The pipe ends when its last write end closes: the descriptors go to
    // the console itself, and the thread writes what is left and returns.
    for (int fd = 1; fd <= 2; ++fd) {
        if (!piped[fd])
            continue;
        piped[fd] = false;
        HANDLE copy = nullptr;
        DuplicateHandle(GetCurrentProcess(), console, GetCurrentProcess(), &copy, 0, FALSE, DUPLICATE_SAME_ACCESS);
        const int direct = copy ? _open_osfhandle(reinterpret_cast<intptr_t>(copy), _O_BINARY | _O_WRONLY) : -1;
        if (direct >= 0) {
            _dup2(direct, fd);
            _close(direct);
        } else {
            _close(fd);
        }
    }
    WaitForSingleObject(thread, 5000);
    CloseHandle(thread);
}
