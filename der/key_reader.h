// Cerrojo PKCS#8 reader: an encrypted private-key file read back into a plain
// record, and the decrypted PrivateKeyInfo into an RsaPrivateKey.
//
//   EncryptedPrivateKeyInfo ::= SEQUENCE {
//       encryptionAlgorithm SEQUENCE {
//           algorithm  OBJECT IDENTIFIER,            -- pbeWithMD5AndDES-CBC / pbeWithMD2AndDES-CBC
//           parameters SEQUENCE { salt OCTET STRING (SIZE(8)), iterationCount INTEGER } },
//       encryptedData OCTET STRING }
//   PrivateKeyInfo ::= SEQUENCE {
//       version             INTEGER (0),
//       privateKeyAlgorithm AlgorithmIdentifier,     -- rsaEncryption, NULL or absent
//       privateKey          OCTET STRING,            -- RSAPrivateKey
//       attributes          [0] IMPLICIT SET OF Attribute OPTIONAL }
//   RSAPrivateKey ::= SEQUENCE { version INTEGER (0), modulus, publicExponent,
//       privateExponent, prime1, prime2, exponent1, exponent2, coefficient }
#pragma once

#include <cstdint>

#include "crypto/common.h"
#include "crypto/rsa.h"

namespace cerrojo {

struct ParsedKeyFile {
    AlgorithmId algorithm;  // 104 or 105
    std::uint8_t salt[8];
    std::uint32_t iterations;        // as stored; 0 and 1 both mean one digest
    const std::uint8_t* ciphertext;  // points into the file's bytes
    std::uint32_t ciphertextLength;  // a nonzero multiple of 8
};

// Reads a key file, data[0..length), into *keyFile (its ciphertext pointer
// then points into data). The whole encoding is checked with DerValidate
// first. Returns 0; a reader status for a file that is not such a structure
// (StatusDerTrailing for bytes after it); StatusDerUnsupported for an
// encryption algorithm other than 104/105; StatusDerBadValue for a salt that
// is not 8 bytes, an iteration count of 0, or a ciphertext that is empty or
// not whole DES blocks;
// StatusDerTooLarge for an iteration count above 32 bits. The record is
// cleared first.
int ParseEncryptedPrivateKey(const std::uint8_t* data, std::uint32_t length,
                             ParsedKeyFile* keyFile);

// Reads a decrypted PrivateKeyInfo, data[0..length) without padding, into
// *privateKey: every number right-aligned in its field, bits = the modulus'
// bit length. The numbers are not checked against each other (see
// RsaCheckPrivateKey). Returns 0; a reader status; StatusDerUnsupported for a
// version other than 0 (PrivateKeyInfo or RSAPrivateKey: no multi-prime keys)
// or a key that is not rsaEncryption; StatusDerTooLarge for a modulus,
// publicExponent or privateExponent above 256 bytes or a prime, CRT exponent
// or coefficient above 128 bytes (refused, never cut); StatusDerBadValue for
// a zero modulus. The record is cleared first and wiped on every failure.
// Nothing else holds key material: the reader copies numbers only into the
// record.
int ParsePrivateKeyInfo(const std::uint8_t* data, std::uint32_t length, RsaPrivateKey* privateKey);

}  // namespace cerrojo
