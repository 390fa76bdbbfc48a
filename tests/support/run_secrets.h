// Test support: the secrets of one generation run, held in the memory
// scan's vault, for the tests that search a program's memory for them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "support/memory_scan.h"

namespace secretscan {

// The access password the hygiene tests type, in Windows-1252: 34
// characters, longer than the first growth of any string that holds it,
// and every 8 bytes of it hold a character outside ASCII, so that a copy in
// one encoding is never taken for a copy in another.
inline constexpr char kPassword[] =
    "\xD1u7#kQ\xE9-pZz9\xA1ol\xE9!4d~Vb\xF1"
    "2mL8q\xC9rT5w\xE1";

// The revocation key they type, built the same way: 20 characters, the most
// its box takes, longer than a string's inner storage.
inline constexpr char kRevocationKey[] = "\xE7R4v#9k\xF3W2pQx7\xFC-Lm9\xE0";

// A byte string (in the vault).
struct Bytes {
    const std::uint8_t* data = nullptr;
    std::size_t length = 0;

    std::string_view View() const {
        return std::string_view(reinterpret_cast<const char*>(data), length);
    }
};

Bytes VaultCopy(const void* data, std::size_t length);

// A typed secret (the password, the revocation key) in the three encodings
// it may take (Windows-1252, UTF-8, UTF-16; the last also looked for spread
// out one character per record);
// then, read back from the key file with OpenSSL in a process of its own,
// the private numbers (as the file stores them and in the little-endian
// digit order of the arithmetic) and the DES key and IV that encrypted it.
class RunSecrets {
  public:
    void AddText(const std::string& name, Bytes cp1252);
    void AddPassword(Bytes cp1252) { AddText("password", cp1252); }
    // Fails the test (fatally) when the file cannot be read back.
    void AddKeyFile(const std::string& keyPath, Bytes password);

    const std::vector<memscan::Secret>& List() const { return list_; }

    // One line for each copy found of secrets [from, to).
    std::vector<std::string> Describe(const std::vector<memscan::Copy>& copies, std::size_t from,
                                      std::size_t to) const;

  private:
    void Add(const std::string& name, Bytes bytes, std::size_t window);
    std::vector<memscan::Secret> list_;
};

}  // namespace secretscan
