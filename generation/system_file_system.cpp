#include "generation/system_file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <vector>

namespace petitora {
namespace {

// The system reads a name only up to its first NUL byte, so a name holding
// one would stand for another file ("a\0.req" for "a"). Such a name names
// no file here: every operation on it fails.
bool Nameable(const std::string& name) {
    return name.find('\0') == std::string::npos;
}

}  // namespace

std::string SystemFileSystem::CurrentDirectory() {
    std::vector<char> buffer(256);
    for (;;) {
        if (::getcwd(buffer.data(), buffer.size()) != nullptr) return std::string(buffer.data());
        if (errno != ERANGE || buffer.size() >= (1u << 20)) return std::string();
        buffer.resize(buffer.size() * 2);
    }
}

bool SystemFileSystem::ChangeDirectory(const std::string& path) {
    return !path.empty() && Nameable(path) && ::chdir(path.c_str()) == 0;
}

bool SystemFileSystem::Exists(const std::string& name) {
    struct stat status;
    return !name.empty() && Nameable(name) && ::lstat(name.c_str(), &status) == 0;
}

FileSystem::ReadStatus SystemFileSystem::ReadSmallFile(const std::string& name,
                                                       std::size_t maxBytes,
                                                       std::string* contents) {
    contents->clear();
    if (!Nameable(name)) return ReadStatus::CannotOpen;
    // Opening a device can have effects of its own: look at what the name is
    // before opening it.
    struct stat status;
    if (::stat(name.c_str(), &status) == 0 && !S_ISREG(status.st_mode)) {
        return ReadStatus::NotRegularFile;
    }
    // Non-blocking open, so that a named pipe put in place of the file after
    // that look cannot hold the dialog; only a regular file is read.
    const int fd = ::open(name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return ReadStatus::CannotOpen;
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return ReadStatus::NotRegularFile;
    }
    ReadStatus result = ReadStatus::Ok;
    char block[4096];
    for (;;) {
        const ssize_t n = ::read(fd, block, sizeof block);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            result = ReadStatus::ReadError;
            break;
        }
        if (n == 0) break;
        const std::size_t room = maxBytes - contents->size();
        if (static_cast<std::size_t>(n) > room) {
            contents->append(block, room);
            result = ReadStatus::TooLarge;
            break;
        }
        contents->append(block, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return result;
}

int SystemFileSystem::CreateTemporary(const std::string& folder, const std::string& prefix,
                                      std::string* name) {
    if (!Nameable(folder) || !Nameable(prefix)) return -1;
    std::string pattern = folder.empty() ? prefix : folder + "/" + prefix;
    pattern += "XXXXXX";
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) return -1;
    *name = pattern;
    return fd;
}

bool SystemFileSystem::Write(int handle, const std::uint8_t* data, std::size_t length) {
    while (length > 0) {
        const ssize_t n = ::write(handle, data, length);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        length -= static_cast<std::size_t>(n);
    }
    return true;
}

bool SystemFileSystem::Flush(int handle) {
    return ::fsync(handle) == 0;
}

bool SystemFileSystem::Close(int handle) {
    // On Linux the descriptor is released even when close reports EINTR, so
    // it is never retried.
    return ::close(handle) == 0;
}

bool SystemFileSystem::Rename(const std::string& from, const std::string& to) {
    return Nameable(from) && Nameable(to) && ::rename(from.c_str(), to.c_str()) == 0;
}

bool SystemFileSystem::Remove(const std::string& name) {
    return Nameable(name) && ::unlink(name.c_str()) == 0;
}

}  // namespace petitora
