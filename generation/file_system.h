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

namespace petitora {

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
