// POSIX: open(O_APPEND), one write per record, ftruncate back on failure.
#include "cli/append_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void CutBack(int fd, off_t size)
{
    while (ftruncate(fd, size) != 0 && errno == EINTR) {
    }
}

}  // namespace

AppendFile::~AppendFile()
{
    if (fd >= 0)
        close(fd);
}

std::error_code AppendFile::Open(const std::string& path)
{
    fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return std::error_code(errno, std::generic_category());
    return {};
}

std::error_code AppendFile::Append(const std::string& record)
{
    struct stat before {};
    const bool sized = fstat(fd, &before) == 0 && S_ISREG(before.st_mode);
    size_t done = 0;
    while (done < record.size()) {
        const ssize_t written = write(fd, record.data() + done, record.size() - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            const std::error_code error(written < 0 ? errno : ENOSPC, std::generic_category());
            // A record cut short would leave the next one glued to its half.
            if (done > 0 && sized)
                CutBack(fd, before.st_size);
            return error;
        }
        done += static_cast<size_t>(written);
    }
    return {};
}

bool SameFile(const std::string& first, const std::string& second)
{
    struct stat a {};
    struct stat b {};
    return stat(first.c_str(), &a) == 0 && stat(second.c_str(), &b) == 0 && a.st_dev == b.st_dev &&
           a.st_ino == b.st_ino;
}
