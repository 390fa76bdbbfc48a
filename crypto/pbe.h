// Cerrojo password-based encryption: PKCS#5 v1.5 PBES1 (PBKDF1 + DES-CBC) for
// pbeWithMD2AndDES-CBC and pbeWithMD5AndDES-CBC, with a salt derived from the
// password and the plaintext instead of a random one.
#pragma once

#include <cstdint>

#include "crypto/common.h"

namespace cerrojo {

inline constexpr AlgorithmId kPbeWithMd2AndDesCbc = 104;
inline constexpr AlgorithmId kPbeWithMd5AndDesCbc = 105;

// algorithm: kPbeWithMd2AndDesCbc (H = MD2) or kPbeWithMd5AndDesCbc (H = MD5).
// plaintext: the data; its storage must have room for 8 more bytes, which
//   receive the PKCS#5 padding (1..8 bytes of the pad count). Its length is
//   not changed.
// ciphertext: data names the output area (room for plaintext length + 8); it
//   may be the plaintext's own storage. On success its length is set to the
//   ciphertext length, plaintext length + padding.
// salt: receives the 8-byte salt = first 8 bytes of H(password || plaintext),
//   before any later step can fail.
// iterations: PBKDF1 count, T = H(password || salt) then T = H(T); 0 and 1
//   both mean one digest. Key = T[0..8) with odd parity, IV = T[8..16).
// password: passwordLength bytes, no terminating zero.
// Returns the ciphertext length (>= 8), or 0 (ciphertext.length untouched)
// for any other algorithm, a failing digest step, or a plaintext so long that
// the padded length would not fit 32 bits. The digest context, both digest
// outputs, the derived key and IV and the DES context are wiped on every path.
std::uint32_t PbeEncrypt(ByteSpan* plaintext, ByteSpan* ciphertext, AlgorithmId algorithm,
                         std::uint32_t iterations, std::uint8_t salt[8],
                         const std::uint8_t* password, std::uint32_t passwordLength);

// The inverse of PbeEncrypt, for the same two algorithms and the same key and
// IV derivation from password, salt and iterations.
// ciphertext: ciphertextLength bytes, a nonzero multiple of 8.
// plaintext: data names the output area (room for ciphertextLength bytes); it
//   may be the ciphertext's own storage. On success its length is set to the
//   data length without the padding, and the padding bytes in the area are
//   wiped.
// Returns 0; StatusBadData for any other algorithm; StatusBadLength for a
// ciphertext length of 0 or not a multiple of 8 (both: nothing written);
// StatusDecryptFailed when the last block does not end in a PKCS#5 padding of
// 1..8 bytes of the pad count. A wrong password and a damaged ciphertext give
// that one status; the whole ciphertext is always decrypted and the padding
// is checked without branching on its bytes, so the time taken depends only
// on the lengths and the iteration count. On StatusDecryptFailed the whole
// output area is wiped and plaintext->length is untouched. The digest
// context, the digest outputs, the derived key and IV and the DES context are
// wiped on every path.
int PbeDecrypt(const std::uint8_t* ciphertext, std::uint32_t ciphertextLength, ByteSpan* plaintext,
               AlgorithmId algorithm, std::uint32_t iterations, const std::uint8_t salt[8],
               const std::uint8_t* password, std::uint32_t passwordLength);

}  // namespace cerrojo
