// The certificate's checks against its key file, request and issuer, what it
// holds, and the .pfx written from it.

#include "verification/certificate.h"

#include <cstdio>
#include <cstring>
#include <iterator>
#include <utility>
#include <new>
#include <optional>

#include "crypto/common.h"
#include "crypto/digest.h"
#include "crypto/rsa.h"
#include "der/certificate_reader.h"
#include "der/name.h"
#include "der/pfx.h"
#include "der/reader.h"
#include "der/request_reader.h"
#include "generation/pair_store.h"
#include "verification/check_parts.h"

namespace petitora {
namespace {

using cerrojo::DerName;
using cerrojo::DerTime;
using cerrojo::ParsedCertificate;
using cerrojo::RsaPrivateKey;
using cerrojo::RsaPublicKey;

constexpr std::int64_t kSecondsPerDay = 86400;
constexpr int kSlotCommonName = 2;
constexpr int kSlotUniqueIdentifier = 9;

// The short names of the name slots of der/name.h, by slot.
constexpr const char* kSlotNames[] = {
    "O",  "OU",           "CN", "title",  "street", "postalCode", "C", "ST", "L",
    "x500UniqueIdentifier", "serialNumber", "emailAddress", "businessCategory",
    "telephoneNumber", "facsimileTelephoneNumber"};

// A certificate file read: its DER bytes (in the file or decoded from PEM
// into storage) and the record pointing into them.
struct ReadCertificate {
    std::vector<std::uint8_t> storage;
    const std::uint8_t* der = nullptr;
    std::uint32_t derLength = 0;
    ParsedCertificate parsed{};
};

// Reads a certificate file; the reader's status.
int Read(std::string_view file, ReadCertificate* certificate) {
    if (file.size() > cerrojo::kMaxCertificateFile) return cerrojo::StatusDerTooLarge;
    certificate->storage.resize(file.size());
    const int status = cerrojo::CertificateFileToDer(
        Bytes(file), static_cast<std::uint32_t>(file.size()), certificate->storage.data(),
        static_cast<std::uint32_t>(certificate->storage.size()), &certificate->der,
        &certificate->derLength);
    if (status != cerrojo::StatusOk) return status;
    return cerrojo::ParseCertificate(certificate->der, certificate->derLength,
                                     &certificate->parsed);
}

bool SameKey(const RsaPublicKey& a, const RsaPublicKey& b) {
    return a.bits == b.bits && std::memcmp(a.modulus, b.modulus, sizeof(a.modulus)) == 0 &&
           std::memcmp(a.publicExponent, b.publicExponent, sizeof(a.publicExponent)) == 0;
}

bool SameKey(const RsaPublicKey& a, const RsaPrivateKey& b) {
    return a.bits == b.bits && std::memcmp(a.modulus, b.modulus, sizeof(a.modulus)) == 0 &&
           std::memcmp(a.publicExponent, b.publicExponent, sizeof(a.publicExponent)) == 0;
}

std::string Hex(const std::uint8_t* bytes, std::uint32_t length, const char* separator) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string hex;
    for (std::uint32_t i = 0; i < length; ++i) {
        if (i != 0) hex += separator;
        hex += kDigits[bytes[i] >> 4];
        hex += kDigits[bytes[i] & 0x0F];
    }
    return hex;
}

std::string TwoDigits(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "%02u", value % 100);
    return text;
}

std::string DateText(const DerTime& time) {
    return Format(Text(VerifyText::DateTime),
                  {TwoDigits(time.day), TwoDigits(time.month), std::to_string(time.year),
                   TwoDigits(time.hour), TwoDigits(time.minute), TwoDigits(time.second)});
}

std::string AttributeName(const cerrojo::DerNameAttribute& attribute) {
    if (attribute.slot >= 0 && attribute.slot < static_cast<int>(std::size(kSlotNames))) {
        return kSlotNames[attribute.slot];
    }
    return DottedOid(attribute.type, attribute.typeLength);
}

// The first value of a slot in a name, or an absent value.
cerrojo::DerValue SlotValue(const DerName& name, int slot) {
    for (std::uint32_t i = 0; i < name.count; ++i) {
        if (name.attributes[i].slot == slot) return name.attributes[i].value;
    }
    return cerrojo::DerValue{0, nullptr, 0};
}

// "CN=..., O=..." on one line.
std::string OneLine(const DerName& name) {
    std::string line;
    for (std::uint32_t i = 0; i < name.count; ++i) {
        if (i != 0) line += ", ";
        line += AttributeName(name.attributes[i]) + "=" + ShownText(name.attributes[i].value);
    }
    return line;
}

// Check 1.
CheckLine CertificateLine(int status) {
    switch (status) {
        case cerrojo::StatusOk:
            return Line(CheckState::Passed, Text(VerifyText::CertificateOk));
        case cerrojo::StatusDerUnsupported:
            return Failed(VerifyText::CertificateUnsupported);
        case cerrojo::StatusDerTooLarge:
            return Failed(VerifyText::CertificateKeyTooLarge);
        default:
            return Failed(VerifyText::CertificateDamaged);
    }
}

// Check 4.
CheckLine ValidityLine(const ParsedCertificate& certificate, std::int64_t now) {
    if (now < certificate.notBefore.seconds) {
        return Line(CheckState::Failed, Format(Text(VerifyText::NotYetValid),
                                               {DateText(certificate.notBefore)}));
    }
    if (now > certificate.notAfter.seconds) {
        const std::int64_t days = (now - certificate.notAfter.seconds) / kSecondsPerDay;
        return Line(CheckState::Failed, Format(Text(VerifyText::Expired),
                                               {DateText(certificate.notAfter), std::to_string(days)}));
    }
    const std::int64_t days = (certificate.notAfter.seconds - now) / kSecondsPerDay;
    return Line(CheckState::Passed, Format(Text(VerifyText::InForce),
                                           {DateText(certificate.notAfter), std::to_string(days)}));
}

// The issuer's signature.
CheckLine IssuerLine(const Input& issuer, const ParsedCertificate* certificate) {
    if (certificate == nullptr) return Line(CheckState::NotRun, Text(VerifyText::IssuerNotChecked));
    if (!issuer.bytes) return issuer.failure;
    ReadCertificate read;
    switch (Read(*issuer.bytes, &read)) {
        case cerrojo::StatusOk:
            break;
        case cerrojo::StatusDerUnsupported:
            return Failed(VerifyText::IssuerUnsupported);
        case cerrojo::StatusDerTooLarge:  // the key above all: records hold at most 2,048 bits
            return Line(CheckState::NotRun, Text(VerifyText::IssuerKeyTooLarge));
        default:
            return Failed(VerifyText::IssuerDamaged);
    }
    switch (cerrojo::VerifyCertificateSignature(certificate, &read.parsed.publicKey)) {
        case cerrojo::StatusOk:
            return Line(CheckState::Passed,
                        Format(Text(VerifyText::IssuerOk),
                               {AlgorithmName(certificate->signatureAlgorithm,
                                              certificate->signatureOid,
                                              certificate->signatureOidLength)}));
        case cerrojo::StatusDerUnsupported:
            return Line(CheckState::NotRun, Text(VerifyText::IssuerUnsupportedSignature));
        default:
            return Failed(VerifyText::IssuerBadSignature);
    }
}

// The RFC of the certificate's subject, or "" when it has none.
std::string CertificateRfc(const ParsedCertificate& certificate) {
    const cerrojo::DerValue unique = SlotValue(certificate.subject, kSlotUniqueIdentifier);
    return unique.data == nullptr ? std::string() : RfcOf(unique);
}

std::vector<ContentLine> Contents(const ReadCertificate& read,
                                  const std::optional<std::string>& requestRfc) {
    const ParsedCertificate& certificate = read.parsed;
    std::vector<ContentLine> lines;
    const auto add = [&lines](std::string label, std::string value) {
        lines.push_back(ContentLine{std::move(label), std::move(value)});
    };
    const std::string rfc = CertificateRfc(certificate);
    add(Text(VerifyText::LabelRfc), rfc.empty() ? Text(VerifyText::ValueAbsent) : rfc);
    if (requestRfc) {
        add(Text(VerifyText::LabelRequestRfc),
            *requestRfc == rfc ? Text(VerifyText::RfcMatches)
                               : Format(Text(VerifyText::RfcDiffers), {*requestRfc}));
    }
    for (std::uint32_t i = 0; i < certificate.subject.count; ++i) {
        const cerrojo::DerNameAttribute& attribute = certificate.subject.attributes[i];
        add(Format(Text(VerifyText::LabelSubject), {AttributeName(attribute)}),
            ShownText(attribute.value));
    }
    add(Text(VerifyText::LabelIssuer), OneLine(certificate.issuer));
    add(Text(VerifyText::LabelSerial), Hex(certificate.serial, certificate.serialLength, ""));
    add(Text(VerifyText::LabelValidFrom), DateText(certificate.notBefore));
    add(Text(VerifyText::LabelValidUntil), DateText(certificate.notAfter));
    add(Text(VerifyText::LabelSignatureAlgorithm),
        AlgorithmName(certificate.signatureAlgorithm, certificate.signatureOid,
                      certificate.signatureOidLength));
    add(Text(VerifyText::LabelKeySize),
        Format(Text(VerifyText::KeyBits), {std::to_string(certificate.publicKey.bits)}));
    std::uint8_t fingerprint[20];
    cerrojo::ShaContext sha;
    cerrojo::Sha1Init(&sha);
    cerrojo::Sha1Update(&sha, read.der, read.derLength);
    cerrojo::Sha1Final(fingerprint, &sha);
    add(Text(VerifyText::LabelFingerprint), Hex(fingerprint, sizeof fingerprint, ":"));
    return lines;
}

CertificateReport Verify(const Input& certificate, const Input& key,
                         const std::optional<Input>& request, const std::optional<Input>& issuer,
                         std::string_view password, std::int64_t now) {
    CertificateReport result;
    std::vector<CheckLine>& checks = result.report.checks;

    ReadCertificate read;
    bool certificateRead = false;
    if (certificate.bytes) {
        const int status = Read(*certificate.bytes, &read);
        checks.push_back(CertificateLine(status));
        certificateRead = status == cerrojo::StatusOk;
    } else {
        checks.push_back(certificate.failure);
    }

    auto material = std::make_shared<PfxMaterial>();
    if (material->key.data() == nullptr) throw std::bad_alloc();
    auto* privateKey = reinterpret_cast<RsaPrivateKey*>(material->key.data());
    bool keyRead = false;
    if (key.bytes) {
        checks.push_back(CheckKey(*key.bytes, password, privateKey, &keyRead));
        keyRead = keyRead && checks.back().state == CheckState::Passed;
    } else {
        checks.push_back(key.failure);
    }
    const bool keyMatches = certificateRead && keyRead && SameKey(read.parsed.publicKey, *privateKey);
    if (certificateRead && keyRead) {
        checks.push_back(keyMatches ? Line(CheckState::Passed, Text(VerifyText::CertificateKeyOk))
                                    : Failed(VerifyText::CertificateKeyMismatch));
    } else {
        checks.push_back(Line(CheckState::NotRun, Text(VerifyText::CertificateKeyNotChecked)));
    }

    std::optional<std::string> requestRfc;
    bool requestMatches = true;
    if (request) {
        cerrojo::ParsedRequest parsed;
        const bool requestRead =
            request->bytes &&
            cerrojo::ParseCertificationRequest(Bytes(*request->bytes),
                                               static_cast<std::uint32_t>(request->bytes->size()),
                                               &parsed) == cerrojo::StatusOk;
        if (!request->bytes) {
            checks.push_back(request->failure);
        } else if (!requestRead) {
            checks.push_back(Failed(VerifyText::RequestDamaged));
        } else if (!certificateRead) {
            checks.push_back(Line(CheckState::NotRun, Text(VerifyText::CertificateRequestNotChecked)));
        } else if (SameKey(read.parsed.publicKey, parsed.publicKey)) {
            checks.push_back(Line(CheckState::Passed, Text(VerifyText::CertificateRequestOk)));
        } else {
            checks.push_back(Failed(VerifyText::CertificateRequestMismatch));
        }
        requestMatches = checks.back().state == CheckState::Passed;
        if (requestRead) requestRfc = RfcOf(parsed.subject[kSlotUniqueIdentifier]);
    }

    if (certificateRead) {
        checks.push_back(ValidityLine(read.parsed, now));
    } else {
        checks.push_back(Line(CheckState::NotRun, Text(VerifyText::ValidityNotChecked)));
    }
    if (issuer) checks.push_back(IssuerLine(*issuer, certificateRead ? &read.parsed : nullptr));

    if (certificateRead) result.report.contents = Contents(read, requestRfc);
    if (keyMatches && requestMatches) {
        material->certificate.assign(read.der, read.der + read.derLength);
        material->friendlyName = CertificateRfc(read.parsed);
        // (ShownText gives the "absent" word for a missing value: not a name.)
        const cerrojo::DerValue commonName = SlotValue(read.parsed.subject, kSlotCommonName);
        if (material->friendlyName.empty() && commonName.data != nullptr) {
            material->friendlyName = Trimmed(ShownText(commonName));
        }
        if (material->friendlyName.empty() ||
            material->friendlyName.size() > cerrojo::kPfxMaxTextLength) {
            material->friendlyName = "Petitora";
        }
        result.pfx = std::move(material);
    }
    // What the decryption and the key check spilled on the stack.
    cerrojo::SecureWipeStack();
    return result;
}

// The folder part of a path ("." for a bare name) and the name in it.
std::pair<std::string, std::string> SplitPath(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return {".", path};
    return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

}  // namespace

PfxMaterial::PfxMaterial() : key(sizeof(RsaPrivateKey)) {}

CertificateReport VerifyCertificate(std::string_view certificate, std::string_view key,
                                    std::optional<std::string_view> request,
                                    std::optional<std::string_view> issuer,
                                    std::string_view password, std::int64_t now) {
    std::optional<Input> requestInput, issuerInput;
    if (request) requestInput = Input{*request, {}};
    if (issuer) issuerInput = Input{*issuer, {}};
    return Verify(Input{certificate, {}}, Input{key, {}}, requestInput, issuerInput, password, now);
}

CertificateReport VerifyCertificateAt(const CertificatePaths& paths, std::string_view password,
                                      std::int64_t now) {
    SystemFileSystem files;
    std::string certificateBytes, keyBytes, requestBytes, issuerBytes;
    const Input certificate =
        ReadInput(files, paths.certificate, VerifyText::CertificateFile, &certificateBytes);
    const Input key = ReadInput(files, paths.key, VerifyText::KeyFile, &keyBytes);
    std::optional<Input> request, issuer;
    if (paths.request) {
        request = ReadInput(files, *paths.request, VerifyText::RequestFile, &requestBytes);
    }
    if (paths.issuer) issuer = ReadInput(files, *paths.issuer, VerifyText::IssuerFile, &issuerBytes);
    return Verify(certificate, key, request, issuer, password, now);
}

PfxResult SavePfx(FileSystem& files, const std::string& path, const PfxMaterial& material,
                  std::string_view password, cerrojo::RandomPool* pool, bool replace) {
    cerrojo::PfxContents contents{};
    contents.certificate = material.certificate.data();
    contents.certificateLength = static_cast<std::uint32_t>(material.certificate.size());
    contents.privateKey = reinterpret_cast<const RsaPrivateKey*>(material.key.data());
    contents.friendlyName = Bytes(material.friendlyName);
    contents.friendlyNameLength = static_cast<std::uint32_t>(material.friendlyName.size());
    contents.password = password.empty() ? nullptr : Bytes(password);
    contents.passwordLength = static_cast<std::uint32_t>(password.size());
    if (cerrojo::RandomGenerate(contents.certificateSalt, cerrojo::kPfxSaltLength, pool) != 0 ||
        cerrojo::RandomGenerate(contents.keySalt, cerrojo::kPfxSaltLength, pool) != 0 ||
        cerrojo::RandomGenerate(contents.macSalt, cerrojo::kPfxSaltLength, pool) != 0) {
        return PfxResult::NotWritten;
    }
    // The file holds the key encrypted only: it is not a secret, but the
    // work areas inside MakePfx are wiped there.
    std::vector<std::uint8_t> file(material.certificate.size() + 4096);
    std::uint32_t length = static_cast<std::uint32_t>(file.size());
    if (cerrojo::MakePfx(file.data(), &length, &contents) != cerrojo::kPfxOk) {
        return PfxResult::NotWritten;
    }
    const auto [folderPath, name] = SplitPath(path);
    const HeldFolder folder(files, folderPath);
    if (folder.handle < 0 || name.empty()) return PfxResult::NotWritten;
    // Under the folder's lock, an existing file is replaced only when the
    // user agreed to it, and only if it is still the file he agreed to.
    std::optional<FileIdentity> replacing;
    FileIdentity existing;
    if (files.Identify(folder.handle, name, &existing)) {
        if (!replace || existing.isDirectory) return PfxResult::Exists;
        replacing = existing;
    }
    switch (StoreOneFile(files, folder.handle, name, replacing, file.data(), length)) {
        case StoreResult::Stored:
            return PfxResult::Written;
        case StoreResult::TargetChanged:
            return replacing ? PfxResult::NotWritten : PfxResult::Exists;
        default:
            return PfxResult::NotWritten;
    }
}

}  // namespace petitora
