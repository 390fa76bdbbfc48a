// Reading back the certificate (.cer) the authority issued for a request,
// against the key file it was made for, and carrying both as one .pfx.
//
// The checks, each one line that passed or failed (or was not run):
//   1. the certificate file is one well-formed X.509 v3 certificate, DER or
//      PEM, of at most kMaxVerifiedFileSize bytes;
//   2. the password opens the key file (the request check's own line);
//   3. the certificate's public key is the key file's, and, when a request
//      is given, the request's too (one line each);
//   4. the certificate is in force at the given moment;
//   and, when the issuer's certificate is given, the certificate's signature
//   verifies with the issuer's key (MD5, SHA-1 or SHA-256 with RSA).
// Shown, not judged: the subject attribute by attribute, the issuer, the
// serial number, the dates, the signature algorithm, the key size, the SHA-1
// fingerprint, the RFC and whether the request's RFC is the same.
//
// Texts are Windows-1252 bytes; file names are in the platform's file-name
// encoding. Nothing here writes a file but SavePfx.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "crypto/random.h"
#include "generation/file_system.h"
#include "generation/secure_bytes.h"
#include "verification/verification.h"

namespace petitora {

// What a .pfx is made of, kept once checks 1 to 3 have passed: the
// certificate's DER bytes, the friendly name (the RFC, or the common name
// when the certificate holds no RFC) and the private key record, which is
// wiped when this goes.
class PfxMaterial {
  public:
    PfxMaterial();
    PfxMaterial(const PfxMaterial&) = delete;
    PfxMaterial& operator=(const PfxMaterial&) = delete;

    std::vector<std::uint8_t> certificate;
    std::string friendlyName;
    SecureBytes key;  // one cerrojo::RsaPrivateKey
};

struct CertificateReport {
    VerificationReport report;
    std::shared_ptr<const PfxMaterial> pfx;  // null unless checks 1 to 3 passed
};

// The checks on the files' bytes. request and issuer: nothing when not
// given. password: Windows-1252 bytes as typed, not copied. now: the moment
// to judge check 4 at, in seconds since 1970-01-01 00:00:00 UTC.
CertificateReport VerifyCertificate(std::string_view certificate, std::string_view key,
                                    std::optional<std::string_view> request,
                                    std::optional<std::string_view> issuer,
                                    std::string_view password, std::int64_t now);

// The files to check, by path.
struct CertificatePaths {
    std::string certificate;
    std::string key;
    std::optional<std::string> request;
    std::optional<std::string> issuer;
};

// Reads the files (as VerifyFilesAt does), then VerifyCertificate. A file
// that cannot be read fails its check with the reason.
CertificateReport VerifyCertificateAt(const CertificatePaths& paths, std::string_view password,
                                      std::int64_t now);

enum class PfxResult { Written, Exists, NotWritten };

// Writes the .pfx of material under password (Windows-1252 bytes, the key
// options' rules already checked) to path, through files: a new temporary
// file beside it (owner-only), written, flushed and closed, then renamed
// over path under the folder's lock (StoreOneFile), so that path is never
// left half-written. The three salts are drawn from pool, which must be
// seeded. An existing path is left alone (Exists) unless replace is true
// (the user agreed to replace it); a file that changes meanwhile is not
// replaced (NotWritten).
PfxResult SavePfx(FileSystem& files, const std::string& path, const PfxMaterial& material,
                  std::string_view password, cerrojo::RandomPool* pool, bool replace);

}  // namespace petitora
