// The pieces the request checks and the certificate checks share: the lines,
// the reading failures, the key file's check and the way a value is shown.
// Used inside verification/ only.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "crypto/rsa.h"
#include "der/der.h"
#include "der/subject_reader.h"
#include "generation/file_system.h"
#include "verification/verification.h"
#include "verification/verification_texts.h"

namespace petitora {

inline const std::uint8_t* Bytes(std::string_view text) {
    return reinterpret_cast<const std::uint8_t*>(text.data());
}

inline CheckLine Line(CheckState state, std::string text) {
    return CheckLine{state, std::move(text)};
}
inline CheckLine Failed(VerifyText id) {
    return Line(CheckState::Failed, Text(id));
}

// A value as Windows-1252 text fit to be shown: control characters become
// '?' (nothing a file holds may drive a terminal), long values are cut.
std::string ShownText(const cerrojo::DerValue& value);

// text without its leading and trailing spaces.
std::string Trimmed(std::string text);

// Object identifier content octets in dotted form.
std::string DottedOid(const std::uint8_t* oid, std::uint32_t length);

// The key file's check. *recovered: *key holds the numbers the file holds.
CheckLine CheckKey(std::string_view bytes, std::string_view password, cerrojo::RsaPrivateKey* key,
                   bool* recovered);

// The failed line of a file that could not be read (file: which one).
CheckLine ReadFailure(FileSystem::ReadStatus status, VerifyText file);

// A file's bytes, or the line that says why they could not be read.
struct Input {
    std::optional<std::string_view> bytes;
    CheckLine failure;
};

// Reads path (a regular file of at most kMaxVerifiedFileSize bytes) into
// *storage, which the returned bytes point into.
Input ReadInput(FileSystem& files, const std::string& path, VerifyText which, std::string* storage);

// A signature algorithm's name, or "desconocido (dotted form)".
std::string AlgorithmName(cerrojo::AlgorithmId algorithm, const std::uint8_t* oid,
                          std::uint32_t oidLength);

// The RFC the unique identifier holds (before " \ " and the representative's).
std::string RfcOf(const cerrojo::DerValue& uniqueIdentifier);

}  // namespace petitora
