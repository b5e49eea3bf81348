// OrvReadDataFile for Windows: the same rules through the Win32 file API.
// The file is opened once and asked what it is through the same handle:
// only a disk file that is not a directory is read; a pipe, a console or
// another device is refused without a read that could wait.
#include "framework/data_file.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

// The UTF-8 name as the system takes it.
std::wstring Wide(const std::string& text)
{
    const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
    return wide;
}

bool Refuse(HANDLE file, std::string* why, const std::string& text)
{
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    *why = text;
    return false;
}

// The reason for a failed call in the words the C library uses for its errno.
std::string LastError()
{
    const DWORD code = GetLastError();
    switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH:
        return std::strerror(ENOENT);
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return std::strerror(EACCES);
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        return std::strerror(ENOMEM);
    default:
        return "Windows error " + std::to_string(code);
    }
}

}  // namespace

bool OrvReadDataFile(const std::string& path, std::vector<char>* bytes, std::string* why, size_t cap)
{
    bytes->clear();
    // FILE_FLAG_BACKUP_SEMANTICS lets a directory open too, so it can be named as one.
    const HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return Refuse(file, why, LastError());
    switch (GetFileType(file)) {
    case FILE_TYPE_DISK:
        break;
    case FILE_TYPE_PIPE:
        return Refuse(file, why, "is a pipe, not a regular file");
    case FILE_TYPE_CHAR:
        return Refuse(file, why, "is a character device, not a regular file");
    default:
        return Refuse(file, why, "is not a plain file, not a regular file");
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file, &info))
        return Refuse(file, why, LastError());
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        return Refuse(file, why, "is a directory, not a regular file");
    const unsigned long long size = (static_cast<unsigned long long>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    if (size > cap)
        return Refuse(file, why, "is " + std::to_string(size) + " bytes, over the " + std::to_string(cap >> 20) +
                                     " MB limit for a data file");
    bytes->resize(static_cast<size_t>(size));
    size_t done = 0;
    while (done < bytes->size()) {
        const DWORD want = static_cast<DWORD>(std::min<size_t>(bytes->size() - done, 1u << 30));
        DWORD got = 0;
        if (!ReadFile(file, bytes->data() + done, want, &got, nullptr))
            return Refuse(file, why, LastError());
        if (got == 0)
            break;  // the file shrank while we read it
        done += got;
    }
    bytes->resize(done);
    CloseHandle(file);
    return true;
}
