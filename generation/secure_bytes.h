// Heap storage for secrets, and the password texts kept in it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace petitora {

// Longest password, confirmation and destination text the boxes accept.
inline constexpr std::size_t kMaxKeyOptionText = 255;

// Heap bytes, zeroed when allocated, wiped with SecureWipe before release.
// Never copied or moved. data() is null when the allocation failed.
class SecureBytes {
  public:
    explicit SecureBytes(std::size_t size);
    ~SecureBytes();
    SecureBytes(const SecureBytes&) = delete;
    SecureBytes& operator=(const SecureBytes&) = delete;

    std::uint8_t* data() { return data_; }
    const std::uint8_t* data() const { return data_; }
    std::size_t size() const { return size_; }

  private:
    std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
};

// A secret text (password, confirmation) in Windows-1252 bytes, at most
// kMaxKeyOptionText long. Its storage is fixed at construction, so no copy is
// ever left behind by a reallocation; it is wiped on every assignment and on
// destruction. Longer input is cut to kMaxKeyOptionText.
class SecretText {
  public:
    SecretText();
    ~SecretText();
    SecretText(const SecretText&) = delete;
    SecretText& operator=(const SecretText&) = delete;

    void Assign(std::string_view bytes);
    void Clear();
    std::string_view View() const;
    std::size_t Size() const;
    bool Empty() const { return Size() == 0; }

  private:
    SecureBytes storage_;
    std::size_t length_ = 0;
};

}  // namespace petitora
