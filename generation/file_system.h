// The file-system operations of the generation layer, behind one interface so
// that tests can make any single step fail. Names are in the platform's
// file-name encoding (UTF-8 on Linux); a relative path starts at the process's
// current directory, which the program never changes. An operation given a
// folder (held open by OpenFolder) acts on a name in it, even when the
// folder's path has come to name another folder meanwhile. A name holding a
// NUL byte names no file (the system would read it only up to that byte, as
// another name): every operation on it fails.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace petitora {

// What tells one file from another: the identity of the entry a name stood
// for when the user was asked about it. A file written again in place keeps
// device and inode but not size or modification time; a file put in its
// place has another inode.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t modifiedSeconds = 0;
    std::int64_t modifiedNanoseconds = 0;
    bool isDirectory = false;
    std::uint64_t owner = 0;   // the owner's user id
    bool ownedByUser = false;  // owned by the user the process runs as

    bool SameEntry(const FileIdentity& other) const {
        return device == other.device && inode == other.inode;
    }
    bool operator==(const FileIdentity&) const = default;
};

class FileSystem {
  public:
    virtual ~FileSystem() = default;

    // The process's current directory; "" when the system does not report it.
    virtual std::string CurrentDirectory() = 0;

    // True when path is a directory that can be entered.
    virtual bool CanEnterFolder(const std::string& path) = 0;
    // Holds the directory path open for the operations below: a handle >= 0,
    // released with Close, or -1.
    virtual int OpenFolder(const std::string& path) = 0;

    // True when name exists in folder as any kind of entry (file, directory,
    // link...).
    virtual bool Exists(int folder, const std::string& name) = 0;

    // Reads a regular file of at most maxBytes bytes (raw bytes, no newline
    // translation). Kinds of failure, so that callers can tell a missing
    // file from a damaged one. A directory, pipe or device in place of the
    // file is NotRegularFile: it is looked at before it is opened (a device
    // is never opened) and never waited on. TooLarge leaves the first
    // maxBytes bytes in *contents, for callers that read only a head.
    enum class ReadStatus { Ok, CannotOpen, NotRegularFile, ReadError, TooLarge };
    virtual ReadStatus ReadSmallFile(const std::string& name, std::size_t maxBytes,
                                     std::string* contents) = 0;

    // Writing one output file through a temporary file beside its target.
    // Each step reports its own failure; none of them touches the target.
    // CreateTemporary makes a new, empty, exclusively created file in folder
    // whose name starts with prefix, and returns a handle >= 0 with its name
    // in *name, or -1. The file is readable and writable by its owner only.
    virtual int CreateTemporary(int folder, const std::string& prefix, std::string* name) = 0;
    // Writes all of data (retrying short writes); false on any error.
    virtual bool Write(int handle, const std::uint8_t* data, std::size_t length) = 0;
    // Forces the written bytes to the storage device.
    virtual bool Flush(int handle) = 0;
    // Closes a file's or a folder's handle (also after a failed step); false
    // when closing reported an error.
    virtual bool Close(int handle) = 0;
    // Replaces to by from in one step (rename over an existing entry), both
    // in folder.
    virtual bool Rename(int folder, const std::string& from, const std::string& to) = 0;
    // Removes a file from folder; false when it could not be removed.
    virtual bool Remove(int folder, const std::string& name) = 0;

    // The store step's own operations (generation/pair_store.h).
    //
    // The identity of name in folder (the entry itself, a link is not
    // followed); false when there is none.
    virtual bool Identify(int folder, const std::string& name, FileIdentity* identity) = 0;
    // Puts from in place under to only when to does not exist (never replaces
    // anything): renameat2 with RENAME_NOREPLACE, or, where the file system
    // refuses that flag, a hard link to then the removal of from (a crash
    // between the two leaves both names on the one file), and where it has
    // no hard links either, a look that to is absent then a rename (atomic
    // against other store steps only, which hold the folder's lock).
    virtual bool RenameNew(int folder, const std::string& from, const std::string& to) = 0;
    // The lock of a store step in folder: flock(LOCK_EX) on a descriptor of
    // the folder itself, so no lock file is ever left behind and the lock
    // goes with the process however it ends. flock and fsync refuse an
    // O_PATH descriptor (what OpenFolder holds), so the folder is opened
    // again O_RDONLY | O_DIRECTORY for them. Another run holding it is waited
    // for briefly (kLockWaitMilliseconds). Returns the lock's handle (released
    // with Close; FlushFolder takes it), kLockBusy when another run kept it,
    // or kLockUnavailable when the folder cannot be opened for reading. A
    // file system that cannot lock the folder (flock refuses with anything
    // but EWOULDBLOCK: ENOLCK, EOPNOTSUPP, EINVAL, or EBADF on NFS, which
    // locks only files open for writing) is used unlocked.
    static constexpr int kLockBusy = -1;
    static constexpr int kLockUnavailable = -2;
    static constexpr int kLockWaitMilliseconds = 3000;
    virtual int LockFolder(int folder) = 0;
    // Forces the folder's entries (renames, removals) to the storage device;
    // lock is a handle from LockFolder. True on a file system that has no
    // such step (fsync refuses a folder with EINVAL).
    virtual bool FlushFolder(int lock) = 0;
    // Reads a regular file of folder as ReadSmallFile does (a link is not
    // followed).
    virtual ReadStatus ReadSmallFileIn(int folder, const std::string& name, std::size_t maxBytes,
                                       std::string* contents) = 0;
    // The names in folder that start with prefix; false when the folder
    // cannot be listed.
    virtual bool ListNames(int folder, const std::string& prefix,
                           std::vector<std::string>* names) = 0;
};

// The real operations (POSIX).
class SystemFileSystem final : public FileSystem {
  public:
    std::string CurrentDirectory() override;
    bool CanEnterFolder(const std::string& path) override;
    int OpenFolder(const std::string& path) override;
    bool Exists(int folder, const std::string& name) override;
    ReadStatus ReadSmallFile(const std::string& name, std::size_t maxBytes,
                             std::string* contents) override;
    int CreateTemporary(int folder, const std::string& prefix, std::string* name) override;
    bool Write(int handle, const std::uint8_t* data, std::size_t length) override;
    bool Flush(int handle) override;
    bool Close(int handle) override;
    bool Rename(int folder, const std::string& from, const std::string& to) override;
    bool Remove(int folder, const std::string& name) override;
    bool Identify(int folder, const std::string& name, FileIdentity* identity) override;
    bool RenameNew(int folder, const std::string& from, const std::string& to) override;
    int LockFolder(int folder) override;
    bool FlushFolder(int lock) override;
    ReadStatus ReadSmallFileIn(int folder, const std::string& name, std::size_t maxBytes,
                               std::string* contents) override;
    bool ListNames(int folder, const std::string& prefix, std::vector<std::string>* names) override;
};

// A folder held open (FileSystem::OpenFolder) for as long as this lives;
// handle is -1 when it could not be opened.
struct HeldFolder {
    HeldFolder(FileSystem& files, const std::string& path)
        : files(files), handle(files.OpenFolder(path)) {}
    ~HeldFolder() {
        if (handle >= 0) files.Close(handle);
    }
    HeldFolder(const HeldFolder&) = delete;
    HeldFolder& operator=(const HeldFolder&) = delete;

    FileSystem& files;
    const int handle;
};

}  // namespace petitora
