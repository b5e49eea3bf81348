#include "framework/data_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

// What a non-regular file is, for the message.
const char* KindOf(mode_t mode)
{
    if (S_ISDIR(mode))
        return "a directory";
    if (S_ISFIFO(mode))
        return "a FIFO";
    if (S_ISCHR(mode))
        return "a character device";
    if (S_ISBLK(mode))
        return "a block device";
    if (S_ISSOCK(mode))
        return "a socket";
    return "not a plain file";
}

bool Refuse(int fd, std::string* why, const std::string& text)
{
    if (fd >= 0)
        close(fd);
    *why = text;
    return false;
}

}  // namespace

bool OrvReadDataFile(const std::string& path, std::vector<char>* bytes, std::string* why, size_t cap)
{
    bytes->clear();
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return Refuse(-1, why, std::strerror(errno));
    struct stat st {};
    if (fstat(fd, &st) != 0)
        return Refuse(fd, why, std::strerror(errno));
    if (!S_ISREG(st.st_mode))
        return Refuse(fd, why, std::string("is ") + KindOf(st.st_mode) + ", not a regular file");
    if (static_cast<unsigned long long>(st.st_size) > cap)
        return Refuse(fd, why, "is " + std::to_string(st.st_size) + " bytes, over the " +
                                   std::to_string(cap >> 20) + " MB limit for a data file");
    bytes->resize(static_cast<size_t>(st.st_size));
    size_t done = 0;
    while (done < bytes->size()) {
        const ssize_t n = read(fd, bytes->data() + done, bytes->size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return Refuse(fd, why, std::strerror(errno));
        if (n == 0)
            break;  // the file shrank while we read it
        done += static_cast<size_t>(n);
    }
    bytes->resize(done);
    close(fd);
    return true;
}
