// Cerrojo PKCS#8 encrypted private key: the RSA private key as a
// PrivateKeyInfo, encrypted with PBES1 (pbeWithMD5AndDES-CBC or
// pbeWithMD2AndDES-CBC) under a password.
//
//   EncryptedPrivateKeyInfo ::= SEQUENCE {
//       encryptionAlgorithm SEQUENCE {
//           algorithm  OBJECT IDENTIFIER,                 -- 1.2.840.113549.1.5.3 / .5.1
//           parameters PBEParameter ::= SEQUENCE {
//               salt           OCTET STRING (SIZE(8)),
//               iterationCount INTEGER } },
//       encryptedData OCTET STRING }
//   PrivateKeyInfo ::= SEQUENCE {
//       version             INTEGER (0),
//       privateKeyAlgorithm AlgorithmIdentifier,          -- rsaEncryption, NULL
//       privateKey          OCTET STRING }                -- RSAPrivateKey
#pragma once

#include <cstdint>

#include "crypto/common.h"
#include "crypto/rsa.h"
#include "der/der.h"

namespace cerrojo {

// MakeEncryptedPrivateKey results.
inline constexpr int kKeyFileOk = 0;
inline constexpr int kKeyFileFailed = 1;

// Size of each of the four work areas of one key-file build.
inline constexpr std::uint32_t kKeyWorkAreaSize = 4000;

// The three areas BuildEncryptedPrivateKey works in besides its output area,
// kKeyWorkAreaSize bytes each, owned (and wiped) by the caller.
struct KeyFileAreas {
    std::uint8_t* keyInfo;     // the PrivateKeyInfo is encoded here
    std::uint8_t* ciphertext;  // receives the encrypted PrivateKeyInfo
    std::uint8_t* plaintext;   // copy of the PrivateKeyInfo plus its padding
};

// Builds the encrypted private-key file.
// output: receives the file's DER bytes.
// length: on entry the capacity of output in bytes (the caller sets it before
//   every call); on kKeyFileOk the file's size; untouched on failure.
// algorithm: 105 (pbeWithMD5AndDES-CBC) or 104 (pbeWithMD2AndDES-CBC).
// iterations: 0 and 1 both mean one digest; any count up to 2^32 - 1 is
//   encoded exactly (INTEGER with sign byte when needed, computed lengths).
// password: passwordLength bytes, taken as they are (may be null when 0).
// Returns kKeyFileOk, or kKeyFileFailed (an area cannot be allocated, another
// algorithm, a null argument, PBE failure, or a file longer than the capacity;
// nothing is written to output then). The four work areas are wiped before
// release on every path.
int MakeEncryptedPrivateKey(std::uint8_t* output, std::uint32_t* length, AlgorithmId algorithm,
                            std::uint32_t iterations, const std::uint8_t* password,
                            std::uint32_t passwordLength, const RsaPrivateKey* privateKey);

// Builds the EncryptedPrivateKeyInfo into outputArea (outputCapacity bytes)
// through buffer; returns its size (the file is the buffer's written region)
// or 0. areas: see KeyFileAreas; their contents are left for the caller to
// wipe. The salt is wiped before returning.
std::uint32_t BuildEncryptedPrivateKey(DerBuffer* buffer, std::uint8_t* outputArea,
                                       std::uint32_t outputCapacity, AlgorithmId algorithm,
                                       std::uint32_t iterations, const std::uint8_t* password,
                                       std::uint32_t passwordLength,
                                       const RsaPrivateKey* privateKey, const KeyFileAreas* areas);

// Prepends
//   EncryptedPrivateKeyInfo ::= SEQUENCE {
//       encryptionAlgorithm SEQUENCE { algorithm OBJECT IDENTIFIER,
//           parameters SEQUENCE { salt OCTET STRING (SIZE(8)), iterationCount INTEGER } },
//       encryptedData OCTET STRING }
// The parameters are PKCS#5's PBEParameter and PKCS#12's pkcs-12PbeParams
// alike, so algorithm is any password-based entry of the table (104, 105,
// 108..110). iterations: encoded exactly (sign byte when needed). Returns the
// size or 0.
std::uint32_t DerPutEncryptedPrivateKeyInfo(DerBuffer* buffer, AlgorithmId algorithm,
                                            const std::uint8_t salt[8], std::uint32_t iterations,
                                            ByteSpan ciphertext);

// Prepends just the encryptionAlgorithm of that record (the
// AlgorithmIdentifier with its salt-and-count parameters). Returns the size or 0.
std::uint32_t DerPutPbeAlgorithmIdentifier(DerBuffer* buffer, AlgorithmId algorithm,
                                           const std::uint8_t salt[8], std::uint32_t iterations);

// Prepends the PrivateKeyInfo (version 0, keyAlgorithm with NULL parameters,
// the RSAPrivateKey as OCTET STRING contents); keyAlgorithm is 100. Returns
// the size or 0.
std::uint32_t DerPutPrivateKeyInfo(DerBuffer* buffer, AlgorithmId keyAlgorithm,
                                   const RsaPrivateKey* privateKey);

// Prepends
//   RSAPrivateKey ::= SEQUENCE { version INTEGER (0), modulus, publicExponent,
//       privateExponent, prime1, prime2, exponent1, exponent2, coefficient }
// every number from its right-aligned field, minimal, with a sign byte when
// needed. Returns the size or 0.
std::uint32_t DerPutRsaPrivateKey(DerBuffer* buffer, const RsaPrivateKey* privateKey);

}  // namespace cerrojo
