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

namespace {

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
void Rebind(std::FILE* stream, const char* device, const char* mode, DWORD which)
{
    if (!std::freopen(device, mode, stream))
        return;
    _setmode(_fileno(stream), _O_BINARY);
    SetStdHandle(which, reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream))));
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
        Rebind(stdin, "CONIN$", "rb", STD_INPUT_HANDLE);
    bool shown = false;
    if (!Redirected(STD_OUTPUT_HANDLE)) {
        Rebind(stdout, "CONOUT$", "wb", STD_OUTPUT_HANDLE);
        shown = true;
    }
    if (!Redirected(STD_ERROR_HANDLE)) {
        Rebind(stderr, "CONOUT$", "wb", STD_ERROR_HANDLE);
        std::setvbuf(stderr, nullptr, _IONBF, 0);
        shown = true;
    }
    const UINT page = GetConsoleOutputCP();
    if (shown && page != CP_UTF8 && SetConsoleOutputCP(CP_UTF8)) {
        earlierOutputPage = page;
        std::atexit(RestoreOutputPage);
    }
}
