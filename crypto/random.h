// Cerrojo random pool: an MD5-based deterministic generator that refuses to
// produce output until enough seeding bytes have been fed in.
#pragma once

#include <cstdint>

#include "crypto/common.h"

namespace cerrojo {

// Caller-owned plain record (40 bytes). The owner may set `needed` directly
// after RandomInit to demand more seeding bytes.
struct RandomPool {
    std::uint32_t needed;     // seeding bytes still required before output is allowed
    std::uint8_t seed[16];    // one 128-bit big-endian number
    std::uint32_t available;  // unread bytes at the end of block, 0..16
    std::uint8_t block[16];   // MD5 of an earlier seed value
};
static_assert(sizeof(RandomPool) == 40);

// seed := 0, available := 0, needed := 256; block untouched. Returns 0.
int RandomInit(RandomPool* pool);

// seed += MD5(data[0..len)) mod 2^128; needed -= len, not below 0. len may be 0.
// Returns 0. The digest and carry are wiped.
int RandomUpdate(RandomPool* pool, const std::uint8_t* data, std::uint32_t len);

// *count := needed. Returns 0.
int RandomBytesNeeded(const RandomPool* pool, std::uint32_t* count);

// Writes len bytes to out and returns 0. If needed != 0 returns
// StatusPoolNotSeeded and changes nothing (neither out nor the pool).
int RandomGenerate(std::uint8_t* out, std::uint32_t len, RandomPool* pool);

}  // namespace cerrojo
