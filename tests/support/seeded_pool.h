// A random pool that depends only on a number, for repeatable key generation.
#pragma once

#include <cstdint>

#include "crypto/random.h"

namespace testsupport {

// The pool after RandomInit and 64 updates of 4 bytes made from seed.
inline void SeedPool(cerrojo::RandomPool* pool, std::uint32_t seed) {
    cerrojo::RandomInit(pool);
    for (std::uint32_t i = 0; i < 64; ++i) {
        const std::uint32_t word = seed * 0x9E3779B9u + i;
        const std::uint8_t bytes[4] = {std::uint8_t(word >> 24), std::uint8_t(word >> 16),
                                       std::uint8_t(word >> 8), std::uint8_t(word)};
        cerrojo::RandomUpdate(pool, bytes, 4);
    }
}

}  // namespace testsupport
