#include "generation/file_system.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <utility>
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

bool SystemFileSystem::CanEnterFolder(const std::string& path) {
    struct stat status;
    return !path.empty() && Nameable(path) && ::stat(path.c_str(), &status) == 0 &&
           S_ISDIR(status.st_mode) && ::faccessat(AT_FDCWD, path.c_str(), X_OK, AT_EACCESS) == 0;
}

int SystemFileSystem::OpenFolder(const std::string& path) {
    if (path.empty() || !Nameable(path)) return -1;
    return ::open(path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
}

bool SystemFileSystem::Exists(int folder, const std::string& name) {
    struct stat status;
    return !name.empty() && Nameable(name) &&
           ::fstatat(folder, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0;
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

int SystemFileSystem::CreateTemporary(int folder, const std::string& prefix, std::string* name) {
    static constexpr char kSymbols[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    static std::uint64_t count = 0;
    for (int attempt = 0; attempt < 100 && Nameable(prefix); ++attempt) {
        // Six letters or digits, from the system's random source (else a
        // count), make the name unlikely to be taken already.
        std::uint64_t bits = 0;
        if (::getrandom(&bits, sizeof bits, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof bits)) {
            bits = ++count * 0x9E3779B97F4A7C15u;
        }
        std::string candidate = prefix;
        for (int i = 0; i < 6; ++i, bits /= 62) candidate += kSymbols[bits % 62];
        const int fd =
            ::openat(folder, candidate.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0) *name = std::move(candidate);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
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

bool SystemFileSystem::Rename(int folder, const std::string& from, const std::string& to) {
    return Nameable(from) && Nameable(to) &&
           ::renameat(folder, from.c_str(), folder, to.c_str()) == 0;
}

bool SystemFileSystem::Remove(int folder, const std::string& name) {
    return Nameable(name) && ::unlinkat(folder, name.c_str(), 0) == 0;
}

}  // namespace petitora
