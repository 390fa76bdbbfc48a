// Cerrojo random pool: seeding data is hashed with MD5 and added into a 128-bit
// seed; output blocks are MD5 of the seed, which is stepped after each block.
#include "crypto/random.h"

#include <cstring>

#include "crypto/digest.h"

namespace cerrojo {

namespace {

// One step of the seed counter, from the last byte toward the first. The
// carry moves on when a byte was 0 before the step (not when it wraps from
// 255 to 0): ... 05 00 00 steps to ... 06 01 01.
void AdvanceSeed(std::uint8_t seed[16]) {
    for (int i = 15; i >= 0; --i) {
        const std::uint8_t before = seed[i];
        seed[i] = std::uint8_t(before + 1);
        if (before != 0) break;
    }
}

}  // namespace

int RandomInit(RandomPool* pool) {
    std::memset(pool->seed, 0, sizeof(pool->seed));
    pool->available = 0;
    pool->needed = 256;
    return StatusOk;
}

int RandomUpdate(RandomPool* pool, const std::uint8_t* data, std::uint32_t len) {
    Md5Context md5;
    std::uint8_t digest[16];
    Md5Init(&md5);
    Md5Update(&md5, data, len);
    Md5Final(digest, &md5);

    // seed := seed + digest mod 2^128, both big-endian.
    unsigned carry = 0;
    for (int i = 15; i >= 0; --i) {
        carry += unsigned(pool->seed[i]) + digest[i];
        pool->seed[i] = std::uint8_t(carry);
        carry >>= 8;
    }

    pool->needed = pool->needed < len ? 0 : pool->needed - len;

    SecureWipeObject(digest);
    SecureWipeObject(carry);
    return StatusOk;
}

int RandomBytesNeeded(const RandomPool* pool, std::uint32_t* count) {
    *count = pool->needed;
    return StatusOk;
}

int RandomGenerate(std::uint8_t* out, std::uint32_t len, RandomPool* pool) {
    if (pool->needed != 0) return StatusPoolNotSeeded;

    // The unread bytes are the last `available` bytes of the block.
    std::uint32_t available = pool->available;
    while (len > available) {
        if (available != 0) std::memcpy(out, pool->block + 16 - available, available);
        out += available;
        len -= available;

        Md5Context md5;
        Md5Init(&md5);
        Md5Update(&md5, pool->seed, 16);
        Md5Final(pool->block, &md5);
        AdvanceSeed(pool->seed);
        available = 16;
    }
    if (len != 0) std::memcpy(out, pool->block + 16 - available, len);
    pool->available = available - len;
    return StatusOk;
}

}  // namespace cerrojo
