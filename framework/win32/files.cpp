// File operations on Windows: CreateFileW with CREATE_NEW, MoveFileExW, _wfopen, _isatty.
// Names are UTF-8 as everywhere in the program and reach the system as UTF-16.
#include "framework/files.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <cstring>

namespace {

std::wstring Wide(const std::string& text)
{
    const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
    return wide;
}

// errno for the last Win32 error, as the C library would set it.
int ErrnoOf(DWORD error)
{
    switch (error) {
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return EEXIST;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return ENOENT;
    case ERROR_ACCESS_DENIED: return EACCES;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ENOSPC;
    case ERROR_FILENAME_EXCED_RANGE: return ENAMETOOLONG;
    default: return EIO;
    }
}

// A binary stream for a handle CreateFileW opened; closes it when that fails.
std::FILE* Stream(HANDLE handle)
{
    if (handle == INVALID_HANDLE_VALUE) {
        errno = ErrnoOf(GetLastError());
        return nullptr;
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_BINARY | _O_WRONLY);
    if (fd < 0) {
        CloseHandle(handle);
        errno = EMFILE;
        return nullptr;
    }
    std::FILE* file = _fdopen(fd, "wb");
    if (!file) {
        const int code = errno;
        _close(fd);
        errno = code;
    }
    return file;
}

// True when `path` is a symbolic link or another reparse point (a junction).
bool IsLink(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

}  // namespace

std::FILE* OrvCreateNewFile(const std::string& path)
{
    // CREATE_NEW fails on any name already taken, a link pointing nowhere too.
    // The handle is not inheritable: child programs never hold it.
    return Stream(CreateFileW(Wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
}

std::FILE* OrvReplaceFile(const std::string& path, std::string* why)
{
    const std::wstring wide = Wide(path);
    if (IsLink(wide)) {
        *why = "a symbolic link is in the way; not written through it";
        return nullptr;
    }
    std::FILE* file = Stream(CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        *why = std::strerror(errno);
    return file;
}

bool OrvMakeDirectory(const std::string& path)
{
    if (CreateDirectoryW(Wide(path).c_str(), nullptr))
        return true;
    errno = ErrnoOf(GetLastError());
    return false;
}

bool OrvRenameOver(const std::string& from, const std::string& to)
{
    // The C library's rename refuses an existing target on Windows.
    if (MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), MOVEFILE_REPLACE_EXISTING))
        return true;
    errno = ErrnoOf(GetLastError());
    return false;
}

bool OrvIsTerminal(std::FILE* stream) { return _isatty(_fileno(stream)) != 0; }

std::FILE* OrvOpenFile(const std::string& path, const char* mode)
{
    return _wfopen(Wide(path).c_str(), Wide(mode).c_str());
}

bool OrvRemoveFile(const std::string& path) { return _wremove(Wide(path).c_str()) == 0; }
