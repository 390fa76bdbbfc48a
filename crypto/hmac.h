// Cerrojo HMAC-SHA1 (RFC 2104, FIPS 198-1): the MAC of a PKCS#12 file.
//
//   HMAC(K, m) = SHA-1((K0 ^ opad) || SHA-1((K0 ^ ipad) || m))
//
// K0 is the key padded with zeros to the 64-byte block, or SHA-1(K) padded
// when the key is longer than a block; ipad = 0x36 and opad = 0x5c repeated.
#pragma once

#include <cstdint>

#include "crypto/common.h"
#include "crypto/digest.h"

namespace cerrojo {

inline constexpr std::uint32_t kHmacSha1Length = 20;

// Caller-owned, no pointers. Both digests are already past their key block,
// so the key itself is not kept.
struct HmacSha1Context {
    ShaContext inner;  // SHA-1 over (K0 ^ ipad) || message so far
    ShaContext outer;  // SHA-1 over (K0 ^ opad), finished by HmacSha1Final
};

// key: keyLength bytes (may be null only when 0; any length). The padded key
// and both pads are wiped before returning; the context then holds keyed
// state and is wiped by HmacSha1Final (or by the caller if it gives up).
void HmacSha1Init(HmacSha1Context* context, const std::uint8_t* key, std::uint32_t keyLength);

// Feeds len bytes of the message (len may be 0, data null only then).
void HmacSha1Update(HmacSha1Context* context, const std::uint8_t* data, std::uint32_t len);

// Writes the 20-byte MAC and wipes the whole context and the inner digest.
void HmacSha1Final(std::uint8_t out[20], HmacSha1Context* context);

// One shot on a local context (wiped). out may not overlap key or data.
void HmacSha1(std::uint8_t out[20], const std::uint8_t* key, std::uint32_t keyLength,
              const std::uint8_t* data, std::uint32_t dataLength);

}  // namespace cerrojo
