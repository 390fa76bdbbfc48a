// Reading the two files to verify: regular files only, bounded, read only.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "generation/verification.h"

namespace petitora {

FileSystem::ReadStatus ReadFileToVerify(const std::string& path, std::size_t maxBytes,
                                        std::string* contents) {
    using ReadStatus = FileSystem::ReadStatus;
    contents->clear();

    // Opening a device can have effects of its own, and a pipe would wait:
    // look at what the name is before opening it.
    struct stat info;
    if (::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
        return ReadStatus::NotRegularFile;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return ReadStatus::CannotOpen;

    ReadStatus status = ReadStatus::Ok;
    if (::fstat(fd, &info) != 0) {
        status = ReadStatus::ReadError;
    } else if (!S_ISREG(info.st_mode)) {  // replaced after the first look
        status = ReadStatus::NotRegularFile;
    } else if (info.st_size < 0 || static_cast<unsigned long long>(info.st_size) > maxBytes) {
        status = ReadStatus::TooLarge;
    } else {
        // One byte more than allowed tells a file that grew meanwhile.
        contents->resize(maxBytes + 1);
        std::size_t total = 0;
        while (total < contents->size()) {
            const ssize_t n = ::read(fd, contents->data() + total, contents->size() - total);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                status = ReadStatus::ReadError;
                break;
            }
            if (n == 0) break;
            total += static_cast<std::size_t>(n);
        }
        if (status == ReadStatus::Ok && total > maxBytes) status = ReadStatus::TooLarge;
        contents->resize(status == ReadStatus::Ok ? total : 0);
    }
    ::close(fd);
    return status;
}

}  // namespace petitora
