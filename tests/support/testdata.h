// Test support: known-answer vector files and hex helpers.
//
// A vector file (tests/data/<name>.vec) holds records separated by blank
// lines; each record is lines of "Key = value". Lines starting with '#' are
// comments. A line "[Section]" sets the section of the records after it.
// Values are kept as text; Hex() turns a hex value into bytes.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace testsupport {

using Bytes = std::vector<std::uint8_t>;

struct VecRecord {
    std::string section;
    int line = 0;  // line where the record starts, for failure messages
    std::map<std::string, std::string> fields;

    bool Has(const std::string& key) const { return fields.count(key) != 0; }
    const std::string& Text(const std::string& key) const;  // fails the test if missing
    Bytes Hex(const std::string& key) const;
    std::uint64_t Number(const std::string& key) const;
};

// Reads tests/data/<name>; fails the calling test (and returns nothing) if it cannot.
std::vector<VecRecord> ReadVecFile(const std::string& name);

Bytes FromHex(const std::string& hex);  // spaces allowed; fails the test on bad input
std::string ToHex(const std::uint8_t* data, std::size_t len);
inline std::string ToHex(const Bytes& b) {
    return ToHex(b.data(), b.size());
}
std::string UpperHex(const std::uint8_t* data, std::size_t len);
inline std::string UpperHex(const Bytes& b) {
    return UpperHex(b.data(), b.size());
}
// Hex as written in a test ("30 0d 06") brought to UpperHex's form ("300D06").
std::string NormHex(const char* hex);
inline Bytes FromText(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

// True in the AddressSanitizer build, where heavy loops are cut down.
#ifdef PETITORA_SANITIZED
inline constexpr bool kSanitized = true;
#else
inline constexpr bool kSanitized = false;
#endif

// Full count in the normal build, a smaller one in the sanitizer build.
inline int Scaled(int full, int sanitized) {
    return kSanitized ? sanitized : full;
}

}  // namespace testsupport
