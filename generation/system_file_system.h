// The real file operations (POSIX) behind the generation layer's FileSystem.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "generation/file_system.h"

namespace petitora {

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

}  // namespace petitora
