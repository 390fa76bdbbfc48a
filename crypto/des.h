// Cerrojo DES (FIPS 46) in CBC mode (FIPS 81), both directions; triple DES
// (TDEA, SP 800-67: encrypt-decrypt-encrypt with three keys) in CBC mode on
// the same block function.
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
// key are ignored; key, IV and direction are not validated. The context then
// holds key material: the caller wipes it when done.
void DesCbcInit(DesCbcContext* context, const std::uint8_t key[8], const std::uint8_t iv[8],
                std::int32_t encrypt);

// Processes length bytes (a multiple of 8; 0 allowed) in CBC mode; the
// chaining value carries over to the next call. No padding. input and output
// may be the same area (each block is read before it is written). Returns 0,
// or StatusBadLength (1030) with nothing processed, output untouched and the
// context unchanged. Local block copies are wiped.
int DesCbcUpdate(DesCbcContext* context, std::uint8_t* output, const std::uint8_t* input,
                 std::uint32_t length);

// Key schedule into 32 cooked subkey words (two per round, holding the eight
// 6-bit groups the combined S-box tables take), rounds reversed for
// decryption (encrypt == 0). Intermediate bit arrays and uncooked round keys
// are wiped.
void DesKeySchedule(std::uint32_t subkeys[32], const std::uint8_t key[8], std::int32_t encrypt);

// One DES block on two big-endian words (byte 0 is the top byte of
// block[0]), in place: encryption or decryption as the subkeys were built.
void DesBlock(std::uint32_t block[2], const std::uint32_t subkeys[32]);

// Triple DES, keying option 1 (three independent keys), CBC mode: a block is
// E(K3, D(K2, E(K1, x))); decryption runs D(K1, E(K2, D(K3, x))).
struct DesEde3CbcContext {
    std::uint32_t subkeys[3][32];  // the three schedules in the order they are applied
    std::uint32_t iv[2];           // chaining value, as in DesCbcContext
    std::int32_t encrypt;          // nonzero: encrypt; zero: decrypt
};

// key: K1 || K2 || K3 (24 bytes, the des-ede3-cbc key layout); parity bits
// ignored; keys not checked for being distinct (K1 = K2 = K3 gives single
// DES). Stores the direction, loads the IV, computes the three schedules.
// The context then holds key material: the caller wipes it when done.
void DesEde3CbcInit(DesEde3CbcContext* context, const std::uint8_t key[24],
                    const std::uint8_t iv[8], std::int32_t encrypt);

// As DesCbcUpdate: length a multiple of 8 (0 allowed), chaining carried over,
// no padding, input and output may be the same area; StatusBadLength (1030)
// with nothing processed otherwise. Local block copies are wiped.
int DesEde3CbcUpdate(DesEde3CbcContext* context, std::uint8_t* output,
                     const std::uint8_t* input, std::uint32_t length);

}  // namespace cerrojo
