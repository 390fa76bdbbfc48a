// Cerrojo PKCS#12 file (RFC 7292): the RSA private key and its certificate
// in one password-protected .pfx, in the profile every importer reads: both
// bags encrypted with pbeWithSHAAnd3-KeyTripleDES-CBC, the MAC HMAC-SHA1
// keyed by the PKCS#12 derivation, kPfxIterations rounds for all three.
//
//   PFX ::= SEQUENCE {
//       version  INTEGER (3),
//       authSafe ContentInfo,                           -- data: the AuthenticatedSafe
//       macData  MacData }
//   ContentInfo ::= SEQUENCE {
//       contentType OBJECT IDENTIFIER,                  -- data 1.2.840.113549.1.7.1
//       content     [0] EXPLICIT ANY }                  --   [0] { OCTET STRING }
//   AuthenticatedSafe ::= SEQUENCE OF ContentInfo       -- here exactly:
//     (1) encryptedData (1.2.840.113549.1.7.6):
//         [0] { EncryptedData ::= SEQUENCE {
//                   version INTEGER (0),
//                   encryptedContentInfo SEQUENCE {
//                       contentType OBJECT IDENTIFIER,  -- data
//                       contentEncryptionAlgorithm AlgorithmIdentifier,
//                                                       -- 1.2.840.113549.1.12.1.3,
//                                                       pkcs-12PbeParams
//                       encryptedContent [0] IMPLICIT OCTET STRING } } }
//         whose plaintext is SafeContents { certBag }
//     (2) data: [0] { OCTET STRING { SafeContents { pkcs8ShroudedKeyBag } } }
//   SafeContents ::= SEQUENCE OF SafeBag
//   SafeBag ::= SEQUENCE {
//       bagId         OBJECT IDENTIFIER,                -- 1.2.840.113549.1.12.10.1.x
//       bagValue      [0] EXPLICIT ANY,
//       bagAttributes SET OF PKCS12Attribute }
//   certBag (x = 3): CertBag ::= SEQUENCE {
//       certId    OBJECT IDENTIFIER,                    -- x509Certificate 1.2.840.113549.1.9.22.1
//       certValue [0] EXPLICIT OCTET STRING }           -- the DER certificate
//   pkcs8ShroudedKeyBag (x = 2): EncryptedPrivateKeyInfo (der/private_key.h)
//       of the PrivateKeyInfo, pbeWithSHAAnd3-KeyTripleDES-CBC
//   PKCS12Attribute ::= SEQUENCE { attrId OBJECT IDENTIFIER, attrValues SET OF ANY }
//       friendlyName (1.2.840.113549.1.9.20): BMPString
//       localKeyId   (1.2.840.113549.1.9.21): OCTET STRING, SHA-1 of the certificate
//   pkcs-12PbeParams ::= SEQUENCE { salt OCTET STRING, iterations INTEGER }
//   MacData ::= SEQUENCE {
//       mac        DigestInfo,                          -- sha1, HMAC-SHA1 value
//       macSalt    OCTET STRING,
//       iterations INTEGER }
// The MAC covers the contents of the authSafe OCTET STRING (the DER of the
// AuthenticatedSafe), keyed by 20 bytes of the derivation with id 3.
#pragma once

#include <cstdint>

#include "crypto/common.h"
#include "crypto/rsa.h"

namespace cerrojo {

// MakePfx results.
inline constexpr int kPfxOk = 0;
inline constexpr int kPfxBadInput = 1;  // the inputs cannot make a file
inline constexpr int kPfxNoMemory = 2;  // a work area could not be allocated
inline constexpr int kPfxTooSmall = 3;  // output too small; *length = the size needed

inline constexpr std::uint32_t kPfxIterations = 2048;
inline constexpr std::uint32_t kPfxSaltLength = 8;
inline constexpr std::uint32_t kPfxMaxCertificateLength = 65536;
inline constexpr std::uint32_t kPfxMaxTextLength = 255;  // friendly name and password, bytes

// What goes into one file. Caller-owned; the pointed-to bytes are only read.
struct PfxContents {
    const std::uint8_t* certificate;   // the DER X.509 certificate, stored as given
    std::uint32_t certificateLength;   // 1..kPfxMaxCertificateLength
    const RsaPrivateKey* privateKey;   // the certificate's key (up to 2,048 bits)
    const std::uint8_t* friendlyName;  // Windows-1252 text (the RFC), 1..255 bytes
    std::uint32_t friendlyNameLength;
    const std::uint8_t* password;  // Windows-1252 bytes as typed, 0..255 (null only when 0)
    std::uint32_t passwordLength;
    std::uint8_t certificateSalt[kPfxSaltLength];  // drawn by the caller from the
    std::uint8_t keySalt[kPfxSaltLength];          // operating system; the builder
    std::uint8_t macSalt[kPfxSaltLength];          // is deterministic in them
};

// Builds the PKCS#12 file described above.
// output: receives the file's DER bytes; written only on kPfxOk.
// length: on entry the capacity of output (set before every call); on kPfxOk
//   the file's size; on kPfxTooSmall the size needed; otherwise untouched.
// The friendly name and the password are turned into BMPStrings (UTF-16
// big-endian; the password with its two-byte terminator, as the derivation
// takes it). The certificate is not parsed; the key is not checked against it.
// Returns kPfxOk; kPfxBadInput (null output, length or contents; a null
// certificate, key or friendly name; a length out of range; a key record
// that does not encode); kPfxNoMemory; kPfxTooSmall.
// Secrets are wiped on every path: the BMPString password, the derived keys,
// IVs and MAC key (inside the PKCS#12 functions), the PrivateKeyInfo
// plaintext and every work area before release.
int MakePfx(std::uint8_t* output, std::uint32_t* length, const PfxContents* contents);

}  // namespace cerrojo
