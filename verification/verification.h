// Reading back a request (.req) and its encrypted private key (.key): the
// checks a registrant runs before taking the two files to the authority, and
// the request's contents to check by eye.
//
// Three checks, each one line that passed or failed:
//   1. the request is a well-formed PKCS#10 request and its signature
//      verifies with its own public key (MD2, MD4, MD5 or SHA-1 with RSA);
//   2. the password opens the key file (PBES1 with MD2 or MD5 and DES-CBC),
//      and what it holds is a consistent RSA private key;
//   3. the key belongs to the request (same modulus and public exponent).
// Checks 2 and 3 are made only when a key file is given.
//
// Nothing here writes anything, and files are only read, at most
// kMaxVerifiedFileSize bytes each. Texts are Windows-1252 bytes; file names
// are in the platform's file-name encoding. The decrypted key and its
// record are wiped before their storage is released.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "generation/file_system.h"

namespace petitora {

// A file of Petitora's is far below this; anything larger is refused unread.
inline constexpr std::size_t kMaxVerifiedFileSize = 64 * 1024;

// A key file asking for more password-digest iterations than this is not
// opened (the work would grow without bound with a hostile count).
inline constexpr std::uint32_t kMaxKeyFileIterations = 100000;

enum class CheckState { Passed, Failed, NotRun };

// The word that marks a check in that state, in Windows-1252.
std::string MarkText(CheckState state);

struct CheckLine {
    CheckState state = CheckState::NotRun;
    std::string text;
};

struct ContentLine {
    std::string label;
    std::string value;
};

struct VerificationReport {
    std::vector<CheckLine> checks;      // one per check made, in order
    std::vector<ContentLine> contents;  // empty when the request could not be read

    // True when there is at least one check and every check passed.
    bool AllPassed() const;
};

// The checks on the bytes of the two files. key: the key file's bytes, or
// nothing for a request alone. password: Windows-1252 bytes as typed; it is
// not copied.
VerificationReport VerifyFiles(std::string_view request, std::optional<std::string_view> key,
                               std::string_view password);

// Reads the files (regular files of at most kMaxVerifiedFileSize bytes, read
// only, through SystemFileSystem::ReadSmallFile), then VerifyFiles. A file
// that cannot be read fails its check with the reason; check 3 then comes out
// NotRun.
VerificationReport VerifyFilesAt(const std::string& requestPath,
                                 const std::optional<std::string>& keyPath,
                                 std::string_view password);

// The report as lines: each check as "[mark] text", then each content line as
// "label: value".
std::vector<std::string> ReportLines(const VerificationReport& report);

}  // namespace petitora
