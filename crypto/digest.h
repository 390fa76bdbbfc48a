// Cerrojo message digests: MD2, MD4, MD5, SHA-0, SHA-1 and the digest selector;
// SHA-256 (FIPS 180-4) beside the selector, called directly.
//
// Contexts are caller-owned plain records without pointers. No function
// allocates; whole blocks are compressed straight from the caller's data,
// which is never modified. Every finish wipes the per-algorithm state.
// All working storage is in the context and in locals, so separate contexts
// (SHA-0 included) may be used from separate threads.
#pragma once

#include <cstdint>

#include "crypto/common.h"

namespace cerrojo {

using DigestId = std::uint32_t;
inline constexpr DigestId DigestMd2 = 2;
inline constexpr DigestId DigestSha0 = 3;
inline constexpr DigestId DigestMd4 = 4;
inline constexpr DigestId DigestMd5 = 5;
inline constexpr DigestId DigestSha1 = 6;

inline constexpr std::uint32_t kMaxDigestLength = 20;

// MD4 and MD5 share this state.
struct Md5Context {
    std::uint32_t state[4];
    std::uint32_t count[2];  // message length in bits, low word first
    std::uint8_t buffer[64];
};

struct Md2Context {
    std::uint8_t state[16];
    std::uint8_t checksum[16];
    std::uint32_t count;  // bytes waiting in buffer, 0..15
    std::uint8_t buffer[16];
};

// SHA-0 and SHA-1 share this state.
struct ShaContext {
    std::uint32_t state[5];
    std::uint32_t count[2];  // message length in bits, low word first
    std::uint8_t buffer[64];
};

struct DigestContext {
    DigestId id;  // stored by DigestInit whatever its value
    union {
        Md5Context md5;
        Md2Context md2;
        ShaContext sha;
    } state;
};

// Stores id. Ids 2..6: initialises the matching state, returns 0.
// Any other id: returns StatusUnknownDigest, state left uninitialised.
int DigestInit(DigestContext* context, DigestId id);

// Feeds len bytes (len may be 0). Returns 0, or StatusUnknownDigest (nothing
// done) when the stored id is unknown.
int DigestUpdate(DigestContext* context, const std::uint8_t* data, std::uint32_t len);

// Writes the digest length to *outLen first (20 for ids 3 and 6, else 16, so
// an unknown id also gets 16). Known id: writes the digest into out, wipes the
// per-algorithm state, returns 0. Unknown id: out untouched, StatusUnknownDigest.
// out must have room for 20 bytes when the id is not known in advance.
int DigestFinal(DigestContext* context, std::uint8_t* out, std::uint32_t* outLen);

// One shot on a local context, wiped (id and state) on every path. Unknown id:
// StatusUnknownDigest, out and outLen untouched.
int ComputeDigest(std::uint8_t* out, std::uint32_t* outLen, const std::uint8_t* data,
                  std::uint32_t len, DigestId id);

// MD5 for callers that always want it (random pool, challenge password).
// Cannot fail. Md5Final writes 16 bytes and wipes the context.
void Md5Init(Md5Context* context);
void Md5Update(Md5Context* context, const std::uint8_t* data, std::uint32_t len);
void Md5Final(std::uint8_t out[16], Md5Context* context);

// SHA-1 for callers that always want it (HMAC-SHA1, the PKCS#12 derivation):
// the same functions the selector runs for id 6. Cannot fail. Sha1Final
// writes 20 bytes and wipes the context.
void Sha1Init(ShaContext* context);
void Sha1Update(ShaContext* context, const std::uint8_t* data, std::uint32_t len);
void Sha1Final(std::uint8_t out[20], ShaContext* context);

// SHA-256 (FIPS 180-4). It has no DigestId: the selector's ids and its
// 20-byte output bound stay as they are, and callers that need SHA-256 (a
// sha256WithRSAEncryption signature) name it. Same shape and rules as the
// MD5 functions: a caller-owned context without pointers, any number of
// updates of any length (0 included; data may be null only then), the
// caller's data only read, no allocation. Sha256Final writes 32 bytes (0x80,
// zeros to 56 mod 64, the 64-bit bit count most significant byte first, then
// the eight chaining words most significant byte first) and wipes the whole
// context; it must be initialised again before reuse. Cannot fail.
inline constexpr std::uint32_t kSha256Length = 32;

struct Sha256Context {
    std::uint32_t state[8];
    std::uint32_t count[2];  // message length in bits, low word first
    std::uint8_t buffer[64];
};

void Sha256Init(Sha256Context* context);
void Sha256Update(Sha256Context* context, const std::uint8_t* data, std::uint32_t len);
void Sha256Final(std::uint8_t out[32], Sha256Context* context);

}  // namespace cerrojo
