// File operations on POSIX: open with O_EXCL or O_NOFOLLOW, rename, isatty.
#include "framework/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

// A stream for `fd`; closes it and keeps fdopen's errno when that fails.
std::FILE* Stream(int fd)
{
    if (fd < 0)
        return nullptr;
    std::FILE* file = fdopen(fd, "wb");
    if (!file) {
        const int code = errno;
        close(fd);
        errno = code;
    }
    return file;
}

}  // namespace

std::FILE* OrvCreateNewFile(const std::string& path)
{
    return Stream(open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
}

std::FILE* OrvReplaceFile(const std::string& path, std::string* why)
{
    // O_NOFOLLOW: a symbolic link in the file's place is refused, never written through.
    std::FILE* file = Stream(open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (!file) {
        const int code = errno;
        struct stat st {};
        *why = code == ELOOP && lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)
                   ? std::string("a symbolic link is in the way; not written through it")
                   : std::string(std::strerror(code));
    }
    return file;
}

bool OrvMakeDirectory(const std::string& path) { return mkdir(path.c_str(), 0755) == 0; }

bool OrvRenameOver(const std::string& from, const std::string& to) { return std::rename(from.c_str(), to.c_str()) == 0; }

bool OrvIsTerminal(std::FILE* stream) { return isatty(fileno(stream)) != 0; }

std::FILE* OrvOpenFile(const std::string& path, const char* mode) { return std::fopen(path.c_str(), mode); }

bool OrvRemoveFile(const std::string& path) { return std::remove(path.c_str()) == 0; }
