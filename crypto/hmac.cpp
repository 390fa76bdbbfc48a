// Cerrojo HMAC-SHA1 (RFC 2104).
#include "crypto/hmac.h"

#include <cstring>

namespace cerrojo {

namespace {

constexpr std::uint32_t kBlock = 64;

}  // namespace

void HmacSha1Init(HmacSha1Context* context, const std::uint8_t* key, std::uint32_t keyLength) {
    std::uint8_t pad[kBlock] = {};
    if (keyLength > kBlock) {
        Sha1Init(&context->inner);
        Sha1Update(&context->inner, key, keyLength);
        Sha1Final(pad, &context->inner);
    } else if (keyLength != 0) {
        std::memcpy(pad, key, keyLength);
    }
    for (std::uint8_t& b : pad) b ^= 0x36;
    Sha1Init(&context->inner);
    Sha1Update(&context->inner, pad, kBlock);
    for (std::uint8_t& b : pad) b ^= 0x36 ^ 0x5c;
    Sha1Init(&context->outer);
    Sha1Update(&context->outer, pad, kBlock);
    SecureWipeObject(pad);
}

void HmacSha1Update(HmacSha1Context* context, const std::uint8_t* data, std::uint32_t len) {
    Sha1Update(&context->inner, data, len);
}

void HmacSha1Final(std::uint8_t out[20], HmacSha1Context* context) {
    std::uint8_t inner[kHmacSha1Length];
    Sha1Final(inner, &context->inner);
    Sha1Update(&context->outer, inner, kHmacSha1Length);
    Sha1Final(out, &context->outer);
    SecureWipeObject(inner);
    SecureWipeObject(*context);
}

void HmacSha1(std::uint8_t out[20], const std::uint8_t* key, std::uint32_t keyLength,
              const std::uint8_t* data, std::uint32_t dataLength) {
    HmacSha1Context context;
    HmacSha1Init(&context, key, keyLength);
    HmacSha1Update(&context, data, dataLength);
    HmacSha1Final(out, &context);
}

}  // namespace cerrojo
