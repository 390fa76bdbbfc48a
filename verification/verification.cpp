// The three checks on a request and its key file, and the request's contents.

#include "verification/verification.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "text/cp1252.h"
#include "crypto/common.h"
#include "crypto/pbe.h"
#include "crypto/rsa.h"
#include "der/der.h"
#include "der/key_reader.h"
#include "der/reader.h"
#include "der/request_reader.h"
#include "generation/secure_bytes.h"
#include "verification/check_parts.h"
#include "verification/verification_texts.h"

namespace petitora {
namespace {

using cerrojo::DerValue;
using cerrojo::ParsedRequest;
using cerrojo::RsaPrivateKey;

constexpr std::size_t kMaxShownLength = 200;  // longer values are cut, with "..."

// Name and attribute slots whose values are shown (see der/name.h).
constexpr int kSlotOrganization = 0;
constexpr int kSlotCommonName = 2;
constexpr int kSlotState = 7;
constexpr int kSlotUniqueIdentifier = 9;
constexpr int kSlotSubjectEmail = 11;
constexpr int kAttributeEmail = 0;
constexpr int kAttributeKind = 2;

// --- Showing values -------------------------------------------------------

// Appends the Windows-1252 byte of a code point, or '?' when it has none.
void AppendCodePoint(std::string* out, char32_t codePoint) {
    const std::optional<unsigned char> byte = CodePointToCp1252(codePoint);
    out->push_back(byte ? static_cast<char>(*byte) : '?');
}

// Big-endian code units of width bytes (2: BMPString, 4: UniversalString).
std::string FromCodeUnits(std::string_view bytes, std::size_t width) {
    std::string out;
    for (std::size_t i = 0; i + width <= bytes.size(); i += width) {
        char32_t unit = 0;
        for (std::size_t j = 0; j < width; ++j)
            unit = unit << 8 | static_cast<unsigned char>(bytes[i + j]);
        AppendCodePoint(&out, unit);
    }
    return out;
}

}  // namespace

std::string ShownText(const DerValue& value) {
    if (value.data == nullptr) return Text(VerifyText::ValueAbsent);
    std::string_view bytes(reinterpret_cast<const char*>(value.data), value.length);
    std::string text;
    switch (value.identifier) {
        case cerrojo::kDerIdBitString:  // the unique identifier: whole bytes after the 00
            if (!bytes.empty() && bytes[0] == 0) bytes.remove_prefix(1);
            text = bytes;
            break;
        case cerrojo::kDerIdUtf8String:
            // Character by character (the reader lets only well-formed
            // UTF-8 through): one that Windows-1252 lacks becomes one '?'.
            for (std::size_t i = 0; i < bytes.size();) {
                const auto lead = static_cast<unsigned char>(bytes[i]);
                const std::size_t length = std::min<std::size_t>(
                    lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4, bytes.size() - i);
                text += Utf8ToCp1252(bytes.substr(i, length)).value_or("?");
                i += length;
            }
            break;
        case cerrojo::kDerIdBmpString:
            text = FromCodeUnits(bytes, 2);
            break;
        case cerrojo::kDerIdUniversalString:
            text = FromCodeUnits(bytes, 4);
            break;
        default:  // PrintableString, IA5String...: Windows-1252 bytes as this program writes them
            text = bytes;
    }
    for (char& c : text) {
        const char32_t codePoint = Cp1252ToCodePoint(static_cast<unsigned char>(c));
        if (codePoint < 0x20 || (codePoint >= 0x7F && codePoint < 0xA0)) c = '?';
    }
    if (text.size() > kMaxShownLength) text = text.substr(0, kMaxShownLength) + "...";
    return text;
}

std::string Trimmed(std::string text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::string DottedOid(const std::uint8_t* oid, std::uint32_t length) {
    std::string dotted;
    std::uint64_t value = 0;
    bool first = true;
    for (std::uint32_t i = 0; i < length; ++i) {
        if (value > (UINT64_MAX >> 7)) return "?";
        value = value << 7 | (oid[i] & 0x7Fu);
        if (oid[i] & 0x80) continue;
        if (first) {
            const std::uint64_t top = value < 40 ? 0 : value < 80 ? 1 : 2;
            dotted = std::to_string(top);
            dotted += '.';
            dotted += std::to_string(value - 40 * top);
            first = false;
        } else {
            dotted += '.';
            dotted += std::to_string(value);
        }
        value = 0;
    }
    return dotted;
}

std::string AlgorithmName(cerrojo::AlgorithmId algorithm, const std::uint8_t* oid,
                          std::uint32_t oidLength) {
    switch (algorithm) {
        case cerrojo::kAlgMd2WithRsa:
            return "md2WithRSAEncryption";
        case cerrojo::kAlgMd4WithRsa:
            return "md4WithRSAEncryption";
        case cerrojo::kAlgMd5WithRsa:
            return "md5WithRSAEncryption";
        case cerrojo::kAlgSha1WithRsa:
            return "sha1WithRSAEncryption";
        case cerrojo::kAlgSha256WithRsa:
            return "sha256WithRSAEncryption";
        default:
            return Format(Text(VerifyText::UnknownAlgorithm), {DottedOid(oid, oidLength)});
    }
}

namespace {

std::string SignatureAlgorithmName(const ParsedRequest& request) {
    return AlgorithmName(request.signatureAlgorithm, request.signatureOid,
                         request.signatureOidLength);
}

// The request's contents: the unique identifier holds the RFC, then
// " \ " and the representative's RFC when there is one; the registrant-kind
// attribute holds "; CURP=" and the CURP when one was captured.
std::vector<ContentLine> Contents(const ParsedRequest& request) {
    std::vector<ContentLine> lines;
    const auto add = [&lines](VerifyText label, std::string value) {
        lines.push_back(ContentLine{Text(label), std::move(value)});
    };
    const DerValue& unique = request.subject[kSlotUniqueIdentifier];
    std::string representativeRfc;
    if (unique.data != nullptr) {
        const std::string shown = ShownText(unique);
        const std::size_t separator = shown.find(" \\ ");
        if (separator != std::string::npos) representativeRfc = Trimmed(shown.substr(separator + 3));
    }
    add(VerifyText::LabelRfc, RfcOf(unique));
    if (!representativeRfc.empty()) add(VerifyText::LabelRepresentativeRfc, representativeRfc);
    if (request.subject[kSlotOrganization].data != nullptr) {
        add(VerifyText::LabelBusinessName, ShownText(request.subject[kSlotOrganization]));
    }
    add(VerifyText::LabelName, ShownText(request.subject[kSlotCommonName]));

    std::string curp = Text(VerifyText::ValueAbsent);
    if (request.attributes[kAttributeKind].data != nullptr) {
        const std::string kind = ShownText(request.attributes[kAttributeKind]);
        const std::size_t at = kind.find("CURP=");
        if (at != std::string::npos) {
            const std::size_t start = at + 5;
            const std::string found = Trimmed(kind.substr(start, kind.find(';', start) - start));
            if (!found.empty()) curp = found;
        }
    }
    add(VerifyText::LabelCurp, curp);

    const DerValue& email = request.attributes[kAttributeEmail].data != nullptr
                                ? request.attributes[kAttributeEmail]
                                : request.subject[kSlotSubjectEmail];
    add(VerifyText::LabelEmail, ShownText(email));
    add(VerifyText::LabelState, ShownText(request.subject[kSlotState]));
    add(VerifyText::LabelKeySize,
        Format(Text(VerifyText::KeyBits), {std::to_string(request.publicKey.bits)}));
    add(VerifyText::LabelSignatureAlgorithm, SignatureAlgorithmName(request));
    return lines;
}

// --- The checks -----------------------------------------------------------

// Check 1. *readable: the request was read (its key and contents are known).
CheckLine CheckRequest(std::string_view bytes, ParsedRequest* request, bool* readable) {
    *readable = false;
    const std::uint32_t length = static_cast<std::uint32_t>(bytes.size());
    if (bytes.size() > kMaxVerifiedFileSize) return Failed(VerifyText::RequestDamaged);
    switch (cerrojo::ParseCertificationRequest(Bytes(bytes), length, request)) {
        case cerrojo::StatusOk:
            break;
        case cerrojo::StatusDerUnsupported:
            return Failed(VerifyText::RequestUnsupported);
        case cerrojo::StatusDerTooLarge:
            return Failed(VerifyText::RequestKeyTooLarge);
        default:
            return Failed(VerifyText::RequestDamaged);
    }
    *readable = true;
    switch (cerrojo::VerifyRequestSignature(request)) {
        case cerrojo::StatusOk:
            return Line(CheckState::Passed,
                        Format(Text(VerifyText::RequestOk), {SignatureAlgorithmName(*request)}));
        case cerrojo::StatusDerUnsupported:
            return Failed(VerifyText::RequestUnsupportedSignature);
        default:
            return Failed(VerifyText::RequestBadSignature);
    }
}

}  // namespace

namespace {
CheckLine TooManyIterations() {
    return Line(CheckState::Failed, Format(Text(VerifyText::KeyTooManyIterations),
                                           {std::to_string(kMaxKeyFileIterations)}));
}

}  // namespace

CheckLine CheckKey(std::string_view bytes, std::string_view password, RsaPrivateKey* key,
                   bool* recovered) {
    *recovered = false;
    if (bytes.size() > kMaxVerifiedFileSize) return Failed(VerifyText::KeyDamaged);
    cerrojo::ParsedKeyFile file;
    switch (cerrojo::ParseEncryptedPrivateKey(Bytes(bytes),
                                              static_cast<std::uint32_t>(bytes.size()), &file)) {
        case cerrojo::StatusOk:
            break;
        case cerrojo::StatusDerUnsupported:
            return Failed(VerifyText::KeyUnsupportedCipher);
        case cerrojo::StatusDerTooLarge:  // only the iteration count can be
            return TooManyIterations();
        default:
            return Failed(VerifyText::KeyDamaged);
    }
    if (file.iterations > kMaxKeyFileIterations) return TooManyIterations();

    SecureBytes plain(file.ciphertextLength);  // the decrypted key, wiped when it goes
    if (plain.data() == nullptr) throw std::bad_alloc();
    cerrojo::ByteSpan plaintext{plain.data(), 0};
    const int opened = cerrojo::PbeDecrypt(
        file.ciphertext, file.ciphertextLength, &plaintext, file.algorithm, file.iterations,
        file.salt, Bytes(password), static_cast<std::uint32_t>(password.size()));
    if (opened != cerrojo::StatusOk) return Failed(VerifyText::KeyWrongPassword);

    // A wrong password that happens to leave a valid padding yields noise:
    // what the key cannot be read from gets the same message as the padding.
    const int read = cerrojo::ParsePrivateKeyInfo(plaintext.data, plaintext.length, key);
    if (read == cerrojo::StatusDerTooLarge) return Failed(VerifyText::KeyTooLarge);
    if (read != cerrojo::StatusOk) return Failed(VerifyText::KeyWrongPassword);
    *recovered = true;
    if (cerrojo::RsaCheckPrivateKey(key) != cerrojo::StatusOk) {
        return Failed(VerifyText::KeyInconsistent);
    }
    return Line(CheckState::Passed, Text(VerifyText::KeyOk));
}

namespace {

// Check 3.
CheckLine CheckPair(const cerrojo::RsaPublicKey& publicKey, const RsaPrivateKey& key) {
    const bool same =
        publicKey.bits == key.bits &&
        std::memcmp(publicKey.modulus, key.modulus, sizeof(key.modulus)) == 0 &&
        std::memcmp(publicKey.publicExponent, key.publicExponent, sizeof(key.publicExponent)) == 0;
    return same ? Line(CheckState::Passed, Text(VerifyText::PairOk))
                : Failed(VerifyText::PairMismatch);
}

}  // namespace

CheckLine ReadFailure(FileSystem::ReadStatus status, VerifyText file) {
    VerifyText message = VerifyText::ReadError;
    switch (status) {
        case FileSystem::ReadStatus::CannotOpen:
            message = VerifyText::CannotOpen;
            break;
        case FileSystem::ReadStatus::NotRegularFile:
            message = VerifyText::NotRegularFile;
            break;
        case FileSystem::ReadStatus::TooLarge:
            message = VerifyText::FileTooLarge;
            break;
        default:
            break;
    }
    return Line(CheckState::Failed, Format(Text(message), {Text(file)}));
}

std::string RfcOf(const DerValue& uniqueIdentifier) {
    if (uniqueIdentifier.data == nullptr) return ShownText(uniqueIdentifier);
    std::string rfc = ShownText(uniqueIdentifier);
    // A request of this program separates the representative's RFC with
    // " \ "; authorities write it after " / ".
    rfc = rfc.substr(0, std::min(rfc.find(" \\ "), rfc.find(" / ")));
    return Trimmed(rfc);
}

namespace {

VerificationReport Verify(const Input& request, const std::optional<Input>& key,
                          std::string_view password) {
    VerificationReport report;
    ParsedRequest parsed;
    bool requestRead = false;
    if (request.bytes) {
        report.checks.push_back(CheckRequest(*request.bytes, &parsed, &requestRead));
        if (requestRead) report.contents = Contents(parsed);
    } else {
        report.checks.push_back(request.failure);
    }
    if (!key) return report;

    RsaPrivateKey privateKey;
    bool keyRead = false;
    if (key->bytes) {
        report.checks.push_back(CheckKey(*key->bytes, password, &privateKey, &keyRead));
    } else {
        report.checks.push_back(key->failure);
    }
    if (requestRead && keyRead) {
        report.checks.push_back(CheckPair(parsed.publicKey, privateKey));
    } else {
        report.checks.push_back(Line(CheckState::NotRun, Text(VerifyText::PairNotChecked)));
    }
    cerrojo::SecureWipeObject(privateKey);
    // What the decryption and the key check spilled on the stack.
    cerrojo::SecureWipeStack();
    return report;
}

}  // namespace

std::string MarkText(CheckState state) {
    switch (state) {
        case CheckState::Passed:
            return Text(VerifyText::MarkPassed);
        case CheckState::Failed:
            return Text(VerifyText::MarkFailed);
        case CheckState::NotRun:
            break;
    }
    return Text(VerifyText::MarkNotRun);
}

bool VerificationReport::AllPassed() const {
    if (checks.empty()) return false;
    for (const CheckLine& line : checks) {
        if (line.state != CheckState::Passed) return false;
    }
    return true;
}

VerificationReport VerifyFiles(std::string_view request, std::optional<std::string_view> key,
                               std::string_view password) {
    std::optional<Input> keyInput;
    if (key) keyInput = Input{*key, {}};
    return Verify(Input{request, {}}, keyInput, password);
}

Input ReadInput(FileSystem& files, const std::string& path, VerifyText which, std::string* storage) {
    Input input;
    const FileSystem::ReadStatus status = files.ReadSmallFile(path, kMaxVerifiedFileSize, storage);
    if (status == FileSystem::ReadStatus::Ok) {
        input.bytes = *storage;
    } else {
        input.failure = ReadFailure(status, which);
    }
    return input;
}

VerificationReport VerifyFilesAt(const std::string& requestPath,
                                 const std::optional<std::string>& keyPath,
                                 std::string_view password) {
    SystemFileSystem files;
    std::string requestBytes, keyBytes;
    const Input request = ReadInput(files, requestPath, VerifyText::RequestFile, &requestBytes);
    std::optional<Input> key;
    if (keyPath) key = ReadInput(files, *keyPath, VerifyText::KeyFile, &keyBytes);
    return Verify(request, key, password);
}

std::vector<std::string> ReportLines(const VerificationReport& report) {
    std::vector<std::string> lines;
    for (const CheckLine& check : report.checks) {
        // Built piece by piece: GCC 12 at -O3 warns falsely (-Wrestrict) on "x" + std::string.
        std::string line(1, '[');
        line += MarkText(check.state);
        line += "] ";
        line += check.text;
        lines.push_back(std::move(line));
    }
    for (const ContentLine& content : report.contents) {
        lines.push_back(content.label + ": " + content.value);
    }
    return lines;
}

}  // namespace petitora
