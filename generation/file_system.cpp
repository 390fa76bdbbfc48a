#include "generation/file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <thread>
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

namespace {

// ReadSmallFile in folder (AT_FDCWD for a path); flags adds O_NOFOLLOW.
FileSystem::ReadStatus ReadRegular(int folder, const std::string& name, int flags,
                                   std::size_t maxBytes, std::string* contents) {
    using ReadStatus = FileSystem::ReadStatus;
    contents->clear();
    if (!Nameable(name)) return ReadStatus::CannotOpen;
    // Opening a device can have effects of its own: look at what the name is
    // before opening it.
    struct stat status;
    if (::fstatat(folder, name.c_str(), &status, flags & O_NOFOLLOW ? AT_SYMLINK_NOFOLLOW : 0) ==
            0 &&
        !S_ISREG(status.st_mode)) {
        return ReadStatus::NotRegularFile;
    }
    // Non-blocking open, so that a named pipe put in place of the file after
    // that look cannot hold the dialog; only a regular file is read.
    const int fd =
        ::openat(folder, name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY | flags);
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

}  // namespace

FileSystem::ReadStatus SystemFileSystem::ReadSmallFile(const std::string& name,
                                                       std::size_t maxBytes,
                                                       std::string* contents) {
    return ReadRegular(AT_FDCWD, name, 0, maxBytes, contents);
}

FileSystem::ReadStatus SystemFileSystem::ReadSmallFileIn(int folder, const std::string& name,
                                                         std::size_t maxBytes,
                                                         std::string* contents) {
    return ReadRegular(folder, name, O_NOFOLLOW, maxBytes, contents);
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

bool SystemFileSystem::Identify(int folder, const std::string& name, FileIdentity* identity) {
    struct stat status;
    if (name.empty() || !Nameable(name) ||
        ::fstatat(folder, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
        return false;
    }
    identity->device = status.st_dev;
    identity->inode = status.st_ino;
    identity->size = status.st_size;
    identity->modifiedSeconds = status.st_mtim.tv_sec;
    identity->modifiedNanoseconds = status.st_mtim.tv_nsec;
    identity->isDirectory = S_ISDIR(status.st_mode);
    identity->owner = status.st_uid;
    identity->ownedByUser = status.st_uid == ::geteuid();
    return true;
}

bool SystemFileSystem::RenameNew(int folder, const std::string& from, const std::string& to) {
    if (!Nameable(from) || !Nameable(to)) return false;
    if (::renameat2(folder, from.c_str(), folder, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return false;
    // A file system without the flag: a hard link never replaces its target.
    if (::linkat(folder, from.c_str(), folder, to.c_str(), 0) == 0) {
        ::unlinkat(folder, from.c_str(), 0);
        return true;
    }
    if (errno != EPERM && errno != EOPNOTSUPP && errno != ENOSYS) return false;
    // Nor hard links (a shared folder of a virtual machine, a FUSE mount):
    // looked at, then renamed, under the folder's lock.
    struct stat status;
    if (::fstatat(folder, to.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0 || errno != ENOENT) {
        return false;
    }
    return ::renameat(folder, from.c_str(), folder, to.c_str()) == 0;
}

int SystemFileSystem::LockFolder(int folder) {
    const int fd = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return kLockUnavailable;
    using Clock = std::chrono::steady_clock;
    const Clock::time_point until = Clock::now() + std::chrono::milliseconds(kLockWaitMilliseconds);
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return fd;
        // Only another run holding the lock is waited for: any other refusal
        // means the file system cannot lock this folder.
        if (errno != EWOULDBLOCK && errno != EINTR) return fd;
        if (Clock::now() >= until) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::close(fd);
    return kLockBusy;
}

bool SystemFileSystem::FlushFolder(int lock) {
    // EINVAL: the file system cannot flush a folder (it has no such step).
    return ::fsync(lock) == 0 || errno == EINVAL;
}

bool SystemFileSystem::ListNames(int folder, const std::string& prefix,
                                 std::vector<std::string>* names) {
    names->clear();
    const int fd = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    DIR* listing = ::fdopendir(fd);
    if (listing == nullptr) {
        ::close(fd);
        return false;
    }
    while (const dirent* entry = ::readdir(listing)) {
        const std::string name = entry->d_name;
        if (name.compare(0, prefix.size(), prefix) == 0) names->push_back(name);
    }
    ::closedir(listing);
    return true;
}

}  // namespace petitora
