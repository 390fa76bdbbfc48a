// Cerrojo password-based encryption: PKCS#5 v1.5 PBES1 (PBKDF1 + DES-CBC) for
// pbeWithMD2AndDES-CBC and pbeWithMD5AndDES-CBC, with a salt derived from the
// password and the plaintext instead of a random one.
#pragma once

#include <cstdint>

#include "crypto/common.h"

namespace cerrojo {

inline constexpr AlgorithmId kPbeWithMd2AndDesCbc = 104;
inline constexpr AlgorithmId kPbeWithMd5AndDesCbc = 105;

// plaintext: the data; its storage must have room for 8 more bytes, which
//   receive the PKCS#5 padding.
// ciphertext: data names the output area (room for plaintext length + 8);
//   on success its length is set to the ciphertext length.
// salt: receives the 8-byte salt = first 8 bytes of H(password || plaintext).
// iterations: 0 and 1 both mean one digest.
// Returns the ciphertext length (>= 8) or 0 on failure (ciphertext.length
// untouched; the salt may already be written). The DES context, derived key,
// IV and every digest output are wiped on every path.
std::uint32_t PbeEncrypt(ByteSpan* plaintext, ByteSpan* ciphertext, AlgorithmId algorithm,
                         std::uint32_t iterations, std::uint8_t salt[8],
                         const std::uint8_t* password, std::uint32_t passwordLength);

}  // namespace cerrojo
