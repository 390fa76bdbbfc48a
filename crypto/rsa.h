// Cerrojo RSA: key-pair generation from the random pool and the CRT
// private-key operation with the PKCS#1 v1.5 type-1 block.
//
// Key records are fixed-size plain values: every number big-endian and
// right-aligned in its field, after a 16-bit bit count. No heap is used.
#pragma once

#include <cstdint>

#include "crypto/common.h"
#include "crypto/random.h"

namespace cerrojo {

inline constexpr std::uint32_t kMinRsaBits = 508;
inline constexpr std::uint32_t kMaxRsaBits = 2048;
inline constexpr std::uint32_t kMaxRsaModulusLen = 256;  // bytes
inline constexpr std::uint32_t kMaxRsaPrimeLen = 128;    // bytes

struct KeyGenParams {
    std::uint32_t bits;              // modulus length, 508..2048
    std::uint32_t useExponent65537;  // nonzero: e = 65537; zero: e = 3
};

struct RsaPublicKey {
    std::uint16_t bits;
    std::uint8_t modulus[256];
    std::uint8_t publicExponent[256];
};

struct RsaPrivateKey {
    std::uint16_t bits;
    std::uint8_t modulus[256];
    std::uint8_t publicExponent[256];
    std::uint8_t privateExponent[256];
    std::uint8_t prime1[128];       // p, the larger prime
    std::uint8_t prime2[128];       // q
    std::uint8_t exponent1[128];    // d mod (p-1)
    std::uint8_t exponent2[128];    // d mod (q-1)
    std::uint8_t coefficient[128];  // q^-1 mod p
};
static_assert(sizeof(RsaPublicKey) == 514 && sizeof(RsaPrivateKey) == 1410);

// Generates a key pair from the pool.
// Returns 0 (both records filled), StatusBadModulusSize (bits outside
// 508..2048; pool untouched), StatusPoolNotSeeded, or StatusBadData (a prime
// search ran off the top of its range). On a nonzero status neither record is
// written. Secret working numbers are wiped, and once a search has run the
// stack area below this call, where the arithmetic leaves its products and
// exponentiation tables, is overwritten.
int RsaGenerateKeyPair(RsaPublicKey* publicKey, RsaPrivateKey* privateKey,
                       const KeyGenParams* params, RandomPool* pool);

// PKCS#1 v1.5 type-1 block around in[0..inLen), raised to the private key with
// the CRT components. k = (bits + 7) / 8 bytes go to out, k to *outLen.
// Returns 0, StatusBadLength (inLen + 11 > k, or a key record with bits above
// 2048), or StatusBadData (block not below the modulus). On failure out and
// *outLen are untouched. Never reads privateExponent. All temporaries wiped,
// the arithmetic's stack area included. The record must hold its primes as
// RsaGenerateKeyPair orders them, prime1 the larger: the recombination takes
// q below p, and with the primes the other way round some results are wrong.
int RsaPrivateEncrypt(std::uint8_t* out, std::uint32_t* outLen, const std::uint8_t* in,
                      std::uint32_t inLen, const RsaPrivateKey* privateKey);

// The raw CRT operation on an already formatted block: 0, StatusBadData (the
// block read as a number is not below the modulus) or StatusBadLength (a key
// record with bits above 2048). On failure out and *outLen are untouched.
int RsaPrivateBlock(std::uint8_t* out, std::uint32_t* outLen, const std::uint8_t* in,
                    std::uint32_t inLen, const RsaPrivateKey* privateKey);

// Checks that the numbers of a private-key record belong together:
// bits is the bit length of the modulus (1..2048); p and q are above 1 and
// differ; n = p * q; e > 1 and (e * d) mod lcm(p - 1, q - 1) = 1, which holds
// for d taken modulo (p - 1)(q - 1) as well as modulo the lcm;
// exponent1 = d mod (p - 1); exponent2 = d mod (q - 1); coefficient < p and
// (coefficient * q) mod p = 1. Either order of the primes is accepted, as
// PKCS#1 does not order them (so a record that passes is not necessarily one
// RsaPrivateEncrypt can sign with). The primes are not tested for primality.
// Returns 0; StatusBadLength (bits 0, above 2048, or not the modulus' bit
// length); StatusBadData (any relation fails). Every working number and the
// arithmetic's stack area are wiped.
int RsaCheckPrivateKey(const RsaPrivateKey* privateKey);

// The public-key operation with the PKCS#1 v1.5 type-1 block check, for
// verifying a signature: in (inLen bytes, big-endian) is raised to the public
// exponent modulo the modulus into a k = (bits + 7) / 8 byte block, which must
// read 00 01, at least eight FF bytes, 00, then the data. The data go to out
// (room for kMaxRsaModulusLen bytes) and their count to *outLen.
// Returns 0; StatusBadLength (bits outside 1..2048, k < 11, inLen != k, or
// bits not the bit length of the modulus); StatusBadData (a zero modulus or
// exponent, in not below the modulus, or a block that is not a type-1 block).
// On failure out and *outLen are untouched. Only public values are handled: nothing is wiped.
int RsaPublicDecrypt(std::uint8_t* out, std::uint32_t* outLen, const std::uint8_t* in,
                     std::uint32_t inLen, const RsaPublicKey* publicKey);

}  // namespace cerrojo
