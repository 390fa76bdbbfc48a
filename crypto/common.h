// Cerrojo: types, status codes and the wipe shared by every module of the library.
#pragma once

#include <cstddef>
#include <cstdint>

namespace cerrojo {

// Status values. 0 is success everywhere; DER encoders instead return a byte
// count with 0 meaning failure, and the two file builders have codes of their own.
inline constexpr int StatusOk = 0;
inline constexpr int StatusBadData = 0x401;          // value out of range / search exhausted
inline constexpr int StatusUnknownDigest = 0x402;    // DigestId outside 2..6
inline constexpr int StatusBadLength = 0x406;        // 1030: bad length (RSA input, DES-CBC)
inline constexpr int StatusBadModulusSize = 0x407;   // key size outside 508..2048 bits
inline constexpr int StatusPoolNotSeeded = 0x408;    // random pool still needs seeding bytes
inline constexpr int StatusDecryptFailed = 0x409;    // wrong password or damaged ciphertext, alike

// A byte string without terminating zero. The pointer is not owned.
struct ByteSpan {
    std::uint8_t* data;
    std::uint32_t length;
};

// Integer naming an algorithm whose object identifier the library knows
// (2, 4, 5, 6 digests; 100 rsaEncryption; 101..103, 111 signatures; 104, 105
// password-based encryption; 106..110, 112 further identifiers; 113 SHA-256,
// 114 sha256WithRSAEncryption). The full table lives with the DER writer.
using AlgorithmId = std::uint32_t;

// Overwrites len bytes at p with zeros through a volatile pointer, so the
// compiler cannot drop the stores even when the storage dies right after.
// p may be null only when len is 0.
void SecureWipe(void* p, std::size_t len);

// Overwrites kStackWipeSize bytes of the calling thread's stack just below
// the caller's frame with zeros, through SecureWipe: where the functions the
// caller has just returned from left their locals and spilled registers
// (the arithmetic clears none of its own temporaries, and no function can
// clear what the compiler spilled). The stack must have that much room
// below the caller (every thread's stack here has megabytes).
inline constexpr std::size_t kStackWipeSize = 96 * 1024;
void SecureWipeStack();

// Wipes a whole object (array or plain record) in place.
template <typename T>
inline void SecureWipeObject(T& object) {
    SecureWipe(&object, sizeof(object));
}

}  // namespace cerrojo
