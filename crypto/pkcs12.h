// Cerrojo PKCS#12 password-based cryptography (RFC 7292): the key
// derivation of appendix B with SHA-1, and the password-based encryption
// pbeWithSHAAnd3-KeyTripleDES-CBC of appendix C built on it.
#pragma once

#include <cstdint>

#include "crypto/common.h"

namespace cerrojo {

// Purpose bytes of the derivation (appendix B.3).
inline constexpr std::uint8_t kPkcs12KeyId = 1;  // encryption key
inline constexpr std::uint8_t kPkcs12IvId = 2;   // initial value
inline constexpr std::uint8_t kPkcs12MacId = 3;  // MAC key

// Longest salt and password the derivation takes, in bytes. The password
// bound is the BMPString of 255 characters with its terminator.
inline constexpr std::uint32_t kPkcs12MaxSaltLength = 64;
inline constexpr std::uint32_t kPkcs12MaxPasswordLength = 512;

// Windows-1252 text as BMPString contents: UTF-16 big-endian, two bytes per
// byte of text (every Windows-1252 character is in the Basic Multilingual
// Plane; 0x80..0x9F are the Windows characters, e.g. 0x80 is U+20AC, and the
// five undefined ones the C1 controls of the same value; 0xA0..0xFF are
// U+00A0..U+00FF). No terminator is added. out: room for 2 * length bytes,
// not overlapping text. Cannot fail.
void Pkcs12BmpString(std::uint8_t* out, const std::uint8_t* text, std::uint32_t length);

// The derivation of RFC 7292 appendix B.2 with H = SHA-1 (u = 20, v = 64):
// D = 64 bytes of id; I = the salt repeated to a whole number of 64-byte
// blocks, then the password likewise (each part empty when its input is);
// A_i = H^r(D || I); the 64-byte blocks of I are then each raised by
// (A_i repeated to 64 bytes) + 1 modulo 2^512 before the next A_i; out is the
// first outLength bytes of A_1 || A_2 || ....
// out: outLength bytes (any count; 0 writes nothing).
// id: the purpose byte (kPkcs12KeyId, kPkcs12IvId, kPkcs12MacId).
// password: the BMPString with its two-byte terminator as appendix B.1 has
//   it (00 00 for the empty password; passwordLength 0 means no password),
//   at most kPkcs12MaxPasswordLength bytes; may be null only when 0.
// salt: at most kPkcs12MaxSaltLength bytes; may be null only when 0.
// iterations: r; 0 and 1 both mean one digest.
// Returns 0, or StatusBadLength (salt or password too long; out untouched).
// The working copy of D || I, every A_i and B, and the digest context are
// wiped on every path.
int Pkcs12DeriveKey(std::uint8_t* out, std::uint32_t outLength, std::uint8_t id,
                    const std::uint8_t* password, std::uint32_t passwordLength,
                    const std::uint8_t* salt, std::uint32_t saltLength, std::uint32_t iterations);

// pbeWithSHAAnd3-KeyTripleDES-CBC: key = 24 bytes of the derivation with
// id 1, IV = 8 bytes with id 2 (same password, salt and iterations), PKCS#5
// padding (1..8 bytes of the pad count), DES-EDE3 in CBC mode.
// plaintext: the data; its storage must have room for 8 more bytes, which
//   receive the padding. Its length is not changed.
// ciphertext: data names the output area (room for plaintext length + 8); it
//   may be the plaintext's own storage. On success its length is set.
// password, salt, iterations: as for Pkcs12DeriveKey.
// Returns the ciphertext length (a multiple of 8, at least 8), or 0 with
// ciphertext->length untouched (salt or password too long, or a padded
// length that would not fit 32 bits). Key, IV and cipher context are wiped
// on every path.
std::uint32_t Pkcs12PbeEncrypt(ByteSpan* plaintext, ByteSpan* ciphertext,
                               const std::uint8_t* password, std::uint32_t passwordLength,
                               const std::uint8_t* salt, std::uint32_t saltLength,
                               std::uint32_t iterations);

}  // namespace cerrojo
