// Cerrojo DES (FIPS 46) in CBC mode (FIPS 81), both directions.
#pragma once

#include <cstdint>

#include "crypto/common.h"

namespace cerrojo {

struct DesCbcContext {
    std::uint32_t subkeys[32];  // 16 rounds, two cooked words each, in the order of the direction
    std::uint32_t iv[2];        // chaining value: the IV, then the last ciphertext block
    std::int32_t encrypt;       // nonzero: encrypt; zero: decrypt
};

// Stores the direction, loads the IV, computes the subkeys. Parity bits of the
// key are ignored.
void DesCbcInit(DesCbcContext* context, const std::uint8_t key[8], const std::uint8_t iv[8],
                std::int32_t encrypt);

// Processes length bytes (a multiple of 8; 0 allowed). input and output may
// be the same area. Returns 0, or StatusBadLength with nothing processed and
// the context unchanged.
int DesCbcUpdate(DesCbcContext* context, std::uint8_t* output, const std::uint8_t* input,
                 std::uint32_t length);

// Key schedule into 32 cooked subkey words, reversed for decryption.
// Intermediate bit arrays are wiped.
void DesKeySchedule(std::uint32_t subkeys[32], const std::uint8_t key[8], std::int32_t encrypt);

// One DES block on two big-endian words, in place.
void DesBlock(std::uint32_t block[2], const std::uint32_t subkeys[32]);

}  // namespace cerrojo
