// Cerrojo message digests: MD2 (RFC 1319), MD4 (RFC 1320), MD5 (RFC 1321),
// SHA-0 (FIPS 180), SHA-1 (FIPS 180-1) and SHA-256 (FIPS 180-4), and the
// digest selector.
//
// The compression functions of MD4, MD5, SHA-0, SHA-1 and SHA-256 are
// straight-line code with every step unrolled; they take any number of whole
// blocks and keep the chaining words in locals across them, so long updates
// run straight from the caller's data without copying. Message words are assembled byte by byte
// (the compiler turns that into plain loads), so the code does not depend on
// the host's byte order or on alignment.
#include "crypto/digest.h"

#include <cstddef>
#include <cstring>

namespace cerrojo {
namespace {

inline std::uint32_t Rotl(std::uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

inline std::uint32_t LoadLe32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}

inline std::uint32_t LoadBe32(const std::uint8_t* p) {
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) |
           (std::uint32_t(p[2]) << 8) | std::uint32_t(p[3]);
}

inline void StoreLe32(std::uint8_t* p, std::uint32_t v) {
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
    p[2] = std::uint8_t(v >> 16);
    p[3] = std::uint8_t(v >> 24);
}

inline void StoreBe32(std::uint8_t* p, std::uint32_t v) {
    p[0] = std::uint8_t(v >> 24);
    p[1] = std::uint8_t(v >> 16);
    p[2] = std::uint8_t(v >> 8);
    p[3] = std::uint8_t(v);
}

// memcpy that accepts a null pointer with a zero length.
inline void CopyBytes(std::uint8_t* to, const std::uint8_t* from, std::size_t len) {
    if (len != 0) std::memcpy(to, from, len);
}

// Padding for the 64-byte-block digests: 0x80 then zeros (at most 64 bytes used).
constexpr std::uint8_t kPadding64[64] = {0x80};

// Adds an update of len bytes to a 64-bit bit count kept as two 32-bit words,
// low word first: len * 8 goes into the low word modulo 2^32, a wrap carries 1
// into the high word, and the high word also takes the bits of len * 8 that do
// not fit in 32 bits (len >> 29).
inline void AddBitCount(std::uint32_t count[2], std::uint32_t len) {
    const std::uint32_t bits = len << 3;
    count[0] += bits;
    if (count[0] < bits) ++count[1];
    count[1] += len >> 29;
}

// Shared update of the 64-byte-block digests: top up the buffered partial
// block and compress it when full, compress the further whole blocks straight
// from the caller's data, buffer the tail.
template <typename Blocks>
inline void Update64(std::uint32_t* state, std::uint32_t count[2], std::uint8_t buffer[64],
                     const std::uint8_t* data, std::uint32_t len, Blocks blocks) {
    std::uint32_t index = (count[0] >> 3) & 63;
    AddBitCount(count, len);
    if (index != 0) {
        const std::uint32_t room = 64 - index;
        if (len < room) {
            CopyBytes(buffer + index, data, len);
            return;
        }
        std::memcpy(buffer + index, data, room);
        blocks(state, buffer, 1);
        data += room;
        len -= room;
    }
    const std::size_t whole = len / 64;
    if (whole != 0) blocks(state, data, whole);
    CopyBytes(buffer, data + whole * 64, len % 64);
}

// ---------------------------------------------------------------------------
// MD5 (RFC 1321)

inline std::uint32_t Md5F(std::uint32_t x, std::uint32_t y, std::uint32_t z) { return z ^ (x & (y ^ z)); }
// (x & z) and (y & ~z) have no bit in common, so their sum is the selection;
// the two halves do not wait for each other.
inline std::uint32_t Md5G(std::uint32_t x, std::uint32_t y, std::uint32_t z) { return (x & z) + (y & ~z); }
inline std::uint32_t Md5H(std::uint32_t x, std::uint32_t y, std::uint32_t z) { return x ^ y ^ z; }
inline std::uint32_t Md5I(std::uint32_t x, std::uint32_t y, std::uint32_t z) { return y ^ (x | ~z); }

#define MD5_STEP(f, a, b, c, d, k, t, s)                  \
    a += Md5##f(b, c, d) + LoadLe32(block + 4 * (k)) + (t); \
    a = Rotl(a, s) + b

void Md5Blocks(std::uint32_t* state, const std::uint8_t* block, std::size_t blocks) {
    std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    for (; blocks != 0; --blocks, block += 64) {
        const std::uint32_t aa = a, bb = b, cc = c, dd = d;

        MD5_STEP(F, a, b, c, d,  0, 0xd76aa478,  7);
        MD5_STEP(F, d, a, b, c,  1, 0xe8c7b756, 12);
        MD5_STEP(F, c, d, a, b,  2, 0x242070db, 17);
        MD5_STEP(F, b, c, d, a,  3, 0xc1bdceee, 22);
        MD5_STEP(F, a, b, c, d,  4, 0xf57c0faf,  7);
        MD5_STEP(F, d, a, b, c,  5, 0x4787c62a, 12);
        MD5_STEP(F, c, d, a, b,  6, 0xa8304613, 17);
        MD5_STEP(F, b, c, d, a,  7, 0xfd469501, 22);
        MD5_STEP(F, a, b, c, d,  8, 0x698098d8,  7);
        MD5_STEP(F, d, a, b, c,  9, 0x8b44f7af, 12);
        MD5_STEP(F, c, d, a, b, 10, 0xffff5bb1, 17);
        MD5_STEP(F, b, c, d, a, 11, 0x895cd7be, 22);
        MD5_STEP(F, a, b, c, d, 12, 0x6b901122,  7);
        MD5_STEP(F, d, a, b, c, 13, 0xfd987193, 12);
        MD5_STEP(F, c, d, a, b, 14, 0xa679438e, 17);
        MD5_STEP(F, b, c, d, a, 15, 0x49b40821, 22);

        MD5_STEP(G, a, b, c, d,  1, 0xf61e2562,  5);
        MD5_STEP(G, d, a, b, c,  6, 0xc040b340,  9);
        MD5_STEP(G, c, d, a, b, 11, 0x265e5a51, 14);
        MD5_STEP(G, b, c, d, a,  0, 0xe9b6c7aa, 20);
        MD5_STEP(G, a, b, c, d,  5, 0xd62f105d,  5);
        MD5_STEP(G, d, a, b, c, 10, 0x02441453,  9);
        MD5_STEP(G, c, d, a, b, 15, 0xd8a1e681, 14);
        MD5_STEP(G, b, c, d, a,  4, 0xe7d3fbc8, 20);
        MD5_STEP(G, a, b, c, d,  9, 0x21e1cde6,  5);
        MD5_STEP(G, d, a, b, c, 14, 0xc33707d6,  9);
        MD5_STEP(G, c, d, a, b,  3, 0xf4d50d87, 14);
        MD5_STEP(G, b, c, d, a,  8, 0x455a14ed, 20);
        MD5_STEP(G, a, b, c, d, 13, 0xa9e3e905,  5);
        MD5_STEP(G, d, a, b, c,  2, 0xfcefa3f8,  9);
        MD5_STEP(G, c, d, a, b,  7, 0x676f02d9, 14);
        MD5_STEP(G, b, c, d, a, 12, 0x8d2a4c8a, 20);

        MD5_STEP(H, a, b, c, d,  5, 0xfffa3942,  4);
        MD5_STEP(H, d, a, b, c,  8, 0x8771f681, 11);
        MD5_STEP(H, c, d, a, b, 11, 0x6d9d6122, 16);
        MD5_STEP(H, b, c, d, a, 14, 0xfde5380c, 23);
        MD5_STEP(H, a, b, c, d,  1, 0xa4beea44,  4);
        MD5_STEP(H, d, a, b, c,  4, 0x4bdecfa9, 11);
        MD5_STEP(H, c, d, a, b,  7, 0xf6bb4b60, 16);
        MD5_STEP(H, b, c, d, a, 10, 0xbebfbc70, 23);
        MD5_STEP(H, a, b, c, d, 13, 0x289b7ec6,  4);
        MD5_STEP(H, d, a, b, c,  0, 0xeaa127fa, 11);
        MD5_STEP(H, c, d, a, b,  3, 0xd4ef3085, 16);
        MD5_STEP(H, b, c, d, a,  6, 0x04881d05, 23);
        MD5_STEP(H, a, b, c, d,  9, 0xd9d4d039,  4);
        MD5_STEP(H, d, a, b, c, 12, 0xe6db99e5, 11);
        MD5_STEP(H, c, d, a, b, 15, 0x1fa27cf8, 16);
        MD5_STEP(H, b, c, d, a,  2, 0xc4ac5665, 23);

        MD5_STEP(I, a, b, c, d,  0, 0xf4292244,  6);
        MD5_STEP(I, d, a, b, c,  7, 0x432aff97, 10);
        MD5_STEP(I, c, d, a, b, 14, 0xab9423a7, 15);
        MD5_STEP(I, b, c, d, a,  5, 0xfc93a039, 21);
        MD5_STEP(I, a, b, c, d, 12, 0x655b59c3,  6);
        MD5_STEP(I, d, a, b, c,  3, 0x8f0ccc92, 10);
        MD5_STEP(I, c, d, a, b, 10, 0xffeff47d, 15);
        MD5_STEP(I, b, c, d, a,  1, 0x85845dd1, 21);
        MD5_STEP(I, a, b, c, d,  8, 0x6fa87e4f,  6);
        MD5_STEP(I, d, a, b, c, 15, 0xfe2ce6e0, 10);
        MD5_STEP(I, c, d, a, b,  6, 0xa3014314, 15);
        MD5_STEP(I, b, c, d, a, 13, 0x4e0811a1, 21);
        MD5_STEP(I, a, b, c, d,  4, 0xf7537e82,  6);
        MD5_STEP(I, d, a, b, c, 11, 0xbd3af235, 10);
        MD5_STEP(I, c, d, a, b,  2, 0x2ad7d2bb, 15);
        MD5_STEP(I, b, c, d, a,  9, 0xeb86d391, 21);


        a += aa;
        b += bb;
        c += cc;
        d += dd;
    }
    state[0] = a;
    state[1] = b;
    state[2] = c;
    state[3] = d;
}

#undef MD5_STEP

// ---------------------------------------------------------------------------
// MD4 (RFC 1320); shares the MD5 context, initialisation and finish.

inline std::uint32_t Md4F(std::uint32_t x, std::uint32_t y, std::uint32_t z) { return z ^ (x & (y ^ z)); }
// Majority; (x & y) and (z & (x ^ y)) have no bit in common, so | may be +.
inline std::uint32_t Md4G(std::uint32_t x, std::uint32_t y, std::uint32_t z) { return (x & y) + (z & (x ^ y)); }
inline std::uint32_t Md4H(std::uint32_t x, std::uint32_t y, std::uint32_t z) { return x ^ y ^ z; }

#define MD4_STEP(f, a, b, c, d, k, t, s)                  \
    a += Md4##f(b, c, d) + LoadLe32(block + 4 * (k)) + (t); \
    a = Rotl(a, s)

void Md4Blocks(std::uint32_t* state, const std::uint8_t* block, std::size_t blocks) {
    std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    for (; blocks != 0; --blocks, block += 64) {
        const std::uint32_t aa = a, bb = b, cc = c, dd = d;

        MD4_STEP(F, a, b, c, d,  0, 0,  3);
        MD4_STEP(F, d, a, b, c,  1, 0,  7);
        MD4_STEP(F, c, d, a, b,  2, 0, 11);
        MD4_STEP(F, b, c, d, a,  3, 0, 19);
        MD4_STEP(F, a, b, c, d,  4, 0,  3);
        MD4_STEP(F, d, a, b, c,  5, 0,  7);
        MD4_STEP(F, c, d, a, b,  6, 0, 11);
        MD4_STEP(F, b, c, d, a,  7, 0, 19);
        MD4_STEP(F, a, b, c, d,  8, 0,  3);
        MD4_STEP(F, d, a, b, c,  9, 0,  7);
        MD4_STEP(F, c, d, a, b, 10, 0, 11);
        MD4_STEP(F, b, c, d, a, 11, 0, 19);
        MD4_STEP(F, a, b, c, d, 12, 0,  3);
        MD4_STEP(F, d, a, b, c, 13, 0,  7);
        MD4_STEP(F, c, d, a, b, 14, 0, 11);
        MD4_STEP(F, b, c, d, a, 15, 0, 19);

        MD4_STEP(G, a, b, c, d,  0, 0x5a827999,  3);
        MD4_STEP(G, d, a, b, c,  4, 0x5a827999,  5);
        MD4_STEP(G, c, d, a, b,  8, 0x5a827999,  9);
        MD4_STEP(G, b, c, d, a, 12, 0x5a827999, 13);
        MD4_STEP(G, a, b, c, d,  1, 0x5a827999,  3);
        MD4_STEP(G, d, a, b, c,  5, 0x5a827999,  5);
        MD4_STEP(G, c, d, a, b,  9, 0x5a827999,  9);
        MD4_STEP(G, b, c, d, a, 13, 0x5a827999, 13);
        MD4_STEP(G, a, b, c, d,  2, 0x5a827999,  3);
        MD4_STEP(G, d, a, b, c,  6, 0x5a827999,  5);
        MD4_STEP(G, c, d, a, b, 10, 0x5a827999,  9);
        MD4_STEP(G, b, c, d, a, 14, 0x5a827999, 13);
        MD4_STEP(G, a, b, c, d,  3, 0x5a827999,  3);
        MD4_STEP(G, d, a, b, c,  7, 0x5a827999,  5);
        MD4_STEP(G, c, d, a, b, 11, 0x5a827999,  9);
        MD4_STEP(G, b, c, d, a, 15, 0x5a827999, 13);

        MD4_STEP(H, a, b, c, d,  0, 0x6ed9eba1,  3);
        MD4_STEP(H, d, a, b, c,  8, 0x6ed9eba1,  9);
        MD4_STEP(H, c, d, a, b,  4, 0x6ed9eba1, 11);
        MD4_STEP(H, b, c, d, a, 12, 0x6ed9eba1, 15);
        MD4_STEP(H, a, b, c, d,  2, 0x6ed9eba1,  3);
        MD4_STEP(H, d, a, b, c, 10, 0x6ed9eba1,  9);
        MD4_STEP(H, c, d, a, b,  6, 0x6ed9eba1, 11);
        MD4_STEP(H, b, c, d, a, 14, 0x6ed9eba1, 15);
        MD4_STEP(H, a, b, c, d,  1, 0x6ed9eba1,  3);
        MD4_STEP(H, d, a, b, c,  9, 0x6ed9eba1,  9);
        MD4_STEP(H, c, d, a, b,  5, 0x6ed9eba1, 11);
        MD4_STEP(H, b, c, d, a, 13, 0x6ed9eba1, 15);
        MD4_STEP(H, a, b, c, d,  3, 0x6ed9eba1,  3);
        MD4_STEP(H, d, a, b, c, 11, 0x6ed9eba1,  9);
        MD4_STEP(H, c, d, a, b,  7, 0x6ed9eba1, 11);
        MD4_STEP(H, b, c, d, a, 15, 0x6ed9eba1, 15);


        a += aa;
        b += bb;
        c += cc;
        d += dd;
    }
    state[0] = a;
    state[1] = b;
    state[2] = c;
    state[3] = d;
}

#undef MD4_STEP

// MD4 and MD5 finish alike: 0x80, zeros to 56 mod 64, the bit count low word
// first, each word least significant byte first; then the four chaining words.
template <typename Blocks>
void Md45Final(std::uint8_t out[16], Md5Context* context, Blocks blocks) {
    std::uint8_t bits[8];
    StoreLe32(bits, context->count[0]);
    StoreLe32(bits + 4, context->count[1]);
    const std::uint32_t index = (context->count[0] >> 3) & 63;
    const std::uint32_t padLen = index < 56 ? 56 - index : 120 - index;
    Update64(context->state, context->count, context->buffer, kPadding64, padLen, blocks);
    Update64(context->state, context->count, context->buffer, bits, 8, blocks);
    for (int i = 0; i < 4; ++i) StoreLe32(out + 4 * i, context->state[i]);
    SecureWipeObject(*context);
}

void Md4Update(Md5Context* context, const std::uint8_t* data, std::uint32_t len) {
    Update64(context->state, context->count, context->buffer, data, len, Md4Blocks);
}

// ---------------------------------------------------------------------------
// SHA-1 (FIPS 180-1) and SHA-0 (FIPS 180): the same compression except for
// the one-bit rotation in the message schedule, which SHA-0 lacks. The
// schedule is a 16-word window in the function's own storage (the caller's
// block is only read); it is wiped before returning. The working words are
// locals, so SHA-0 contexts may run in separate threads like the others.

inline std::uint32_t ShaCh(std::uint32_t x, std::uint32_t y, std::uint32_t z) { return z ^ (x & (y ^ z)); }
inline std::uint32_t ShaParity(std::uint32_t x, std::uint32_t y, std::uint32_t z) { return x ^ y ^ z; }
// Majority; (x & y) and (z & (x ^ y)) have no bit in common, so | may be +.
inline std::uint32_t ShaMaj(std::uint32_t x, std::uint32_t y, std::uint32_t z) { return (x & y) + (z & (x ^ y)); }

template <bool kRotate>
inline std::uint32_t ShaSchedule(std::uint32_t x) {
    if constexpr (kRotate) {
        return Rotl(x, 1);
    } else {
        return x;
    }
}

#define SHA_LOAD(t) (w[t] = LoadBe32(block + 4 * (t)))
#define SHA_EXPAND(t)                                                                    \
    (w[(t) & 15] = ShaSchedule<kRotate>(w[((t) - 3) & 15] ^ w[((t) - 8) & 15] ^           \
                                        w[((t) - 14) & 15] ^ w[(t) & 15]))
#define SHA_STEP(f, k, a, b, c, d, e, word)              \
    e += Rotl(a, 5) + Sha##f(b, c, d) + (k) + (word);    \
    b = Rotl(b, 30)

template <bool kRotate>
void ShaBlocks(std::uint32_t* state, const std::uint8_t* block, std::size_t blocks) {
    std::uint32_t w[16];
    std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3], e = state[4];
    for (; blocks != 0; --blocks, block += 64) {
        const std::uint32_t aa = a, bb = b, cc = c, dd = d, ee = e;

        SHA_STEP(Ch, 0x5a827999, a, b, c, d, e, SHA_LOAD( 0));
        SHA_STEP(Ch, 0x5a827999, e, a, b, c, d, SHA_LOAD( 1));
        SHA_STEP(Ch, 0x5a827999, d, e, a, b, c, SHA_LOAD( 2));
        SHA_STEP(Ch, 0x5a827999, c, d, e, a, b, SHA_LOAD( 3));
        SHA_STEP(Ch, 0x5a827999, b, c, d, e, a, SHA_LOAD( 4));
        SHA_STEP(Ch, 0x5a827999, a, b, c, d, e, SHA_LOAD( 5));
        SHA_STEP(Ch, 0x5a827999, e, a, b, c, d, SHA_LOAD( 6));
        SHA_STEP(Ch, 0x5a827999, d, e, a, b, c, SHA_LOAD( 7));
        SHA_STEP(Ch, 0x5a827999, c, d, e, a, b, SHA_LOAD( 8));
        SHA_STEP(Ch, 0x5a827999, b, c, d, e, a, SHA_LOAD( 9));
        SHA_STEP(Ch, 0x5a827999, a, b, c, d, e, SHA_LOAD(10));
        SHA_STEP(Ch, 0x5a827999, e, a, b, c, d, SHA_LOAD(11));
        SHA_STEP(Ch, 0x5a827999, d, e, a, b, c, SHA_LOAD(12));
        SHA_STEP(Ch, 0x5a827999, c, d, e, a, b, SHA_LOAD(13));
        SHA_STEP(Ch, 0x5a827999, b, c, d, e, a, SHA_LOAD(14));
        SHA_STEP(Ch, 0x5a827999, a, b, c, d, e, SHA_LOAD(15));
        SHA_STEP(Ch, 0x5a827999, e, a, b, c, d, SHA_EXPAND(16));
        SHA_STEP(Ch, 0x5a827999, d, e, a, b, c, SHA_EXPAND(17));
        SHA_STEP(Ch, 0x5a827999, c, d, e, a, b, SHA_EXPAND(18));
        SHA_STEP(Ch, 0x5a827999, b, c, d, e, a, SHA_EXPAND(19));

        SHA_STEP(Parity, 0x6ed9eba1, a, b, c, d, e, SHA_EXPAND(20));
        SHA_STEP(Parity, 0x6ed9eba1, e, a, b, c, d, SHA_EXPAND(21));
        SHA_STEP(Parity, 0x6ed9eba1, d, e, a, b, c, SHA_EXPAND(22));
        SHA_STEP(Parity, 0x6ed9eba1, c, d, e, a, b, SHA_EXPAND(23));
        SHA_STEP(Parity, 0x6ed9eba1, b, c, d, e, a, SHA_EXPAND(24));
        SHA_STEP(Parity, 0x6ed9eba1, a, b, c, d, e, SHA_EXPAND(25));
        SHA_STEP(Parity, 0x6ed9eba1, e, a, b, c, d, SHA_EXPAND(26));
        SHA_STEP(Parity, 0x6ed9eba1, d, e, a, b, c, SHA_EXPAND(27));
        SHA_STEP(Parity, 0x6ed9eba1, c, d, e, a, b, SHA_EXPAND(28));
        SHA_STEP(Parity, 0x6ed9eba1, b, c, d, e, a, SHA_EXPAND(29));
        SHA_STEP(Parity, 0x6ed9eba1, a, b, c, d, e, SHA_EXPAND(30));
        SHA_STEP(Parity, 0x6ed9eba1, e, a, b, c, d, SHA_EXPAND(31));
        SHA_STEP(Parity, 0x6ed9eba1, d, e, a, b, c, SHA_EXPAND(32));
        SHA_STEP(Parity, 0x6ed9eba1, c, d, e, a, b, SHA_EXPAND(33));
        SHA_STEP(Parity, 0x6ed9eba1, b, c, d, e, a, SHA_EXPAND(34));
        SHA_STEP(Parity, 0x6ed9eba1, a, b, c, d, e, SHA_EXPAND(35));
        SHA_STEP(Parity, 0x6ed9eba1, e, a, b, c, d, SHA_EXPAND(36));
        SHA_STEP(Parity, 0x6ed9eba1, d, e, a, b, c, SHA_EXPAND(37));
        SHA_STEP(Parity, 0x6ed9eba1, c, d, e, a, b, SHA_EXPAND(38));
        SHA_STEP(Parity, 0x6ed9eba1, b, c, d, e, a, SHA_EXPAND(39));

        SHA_STEP(Maj, 0x8f1bbcdc, a, b, c, d, e, SHA_EXPAND(40));
        SHA_STEP(Maj, 0x8f1bbcdc, e, a, b, c, d, SHA_EXPAND(41));
        SHA_STEP(Maj, 0x8f1bbcdc, d, e, a, b, c, SHA_EXPAND(42));
        SHA_STEP(Maj, 0x8f1bbcdc, c, d, e, a, b, SHA_EXPAND(43));
        SHA_STEP(Maj, 0x8f1bbcdc, b, c, d, e, a, SHA_EXPAND(44));
        SHA_STEP(Maj, 0x8f1bbcdc, a, b, c, d, e, SHA_EXPAND(45));
        SHA_STEP(Maj, 0x8f1bbcdc, e, a, b, c, d, SHA_EXPAND(46));
        SHA_STEP(Maj, 0x8f1bbcdc, d, e, a, b, c, SHA_EXPAND(47));
        SHA_STEP(Maj, 0x8f1bbcdc, c, d, e, a, b, SHA_EXPAND(48));
        SHA_STEP(Maj, 0x8f1bbcdc, b, c, d, e, a, SHA_EXPAND(49));
        SHA_STEP(Maj, 0x8f1bbcdc, a, b, c, d, e, SHA_EXPAND(50));
        SHA_STEP(Maj, 0x8f1bbcdc, e, a, b, c, d, SHA_EXPAND(51));
        SHA_STEP(Maj, 0x8f1bbcdc, d, e, a, b, c, SHA_EXPAND(52));
        SHA_STEP(Maj, 0x8f1bbcdc, c, d, e, a, b, SHA_EXPAND(53));
        SHA_STEP(Maj, 0x8f1bbcdc, b, c, d, e, a, SHA_EXPAND(54));
        SHA_STEP(Maj, 0x8f1bbcdc, a, b, c, d, e, SHA_EXPAND(55));
        SHA_STEP(Maj, 0x8f1bbcdc, e, a, b, c, d, SHA_EXPAND(56));
        SHA_STEP(Maj, 0x8f1bbcdc, d, e, a, b, c, SHA_EXPAND(57));
        SHA_STEP(Maj, 0x8f1bbcdc, c, d, e, a, b, SHA_EXPAND(58));
        SHA_STEP(Maj, 0x8f1bbcdc, b, c, d, e, a, SHA_EXPAND(59));

        SHA_STEP(Parity, 0xca62c1d6, a, b, c, d, e, SHA_EXPAND(60));
        SHA_STEP(Parity, 0xca62c1d6, e, a, b, c, d, SHA_EXPAND(61));
        SHA_STEP(Parity, 0xca62c1d6, d, e, a, b, c, SHA_EXPAND(62));
        SHA_STEP(Parity, 0xca62c1d6, c, d, e, a, b, SHA_EXPAND(63));
        SHA_STEP(Parity, 0xca62c1d6, b, c, d, e, a, SHA_EXPAND(64));
        SHA_STEP(Parity, 0xca62c1d6, a, b, c, d, e, SHA_EXPAND(65));
        SHA_STEP(Parity, 0xca62c1d6, e, a, b, c, d, SHA_EXPAND(66));
        SHA_STEP(Parity, 0xca62c1d6, d, e, a, b, c, SHA_EXPAND(67));
        SHA_STEP(Parity, 0xca62c1d6, c, d, e, a, b, SHA_EXPAND(68));
        SHA_STEP(Parity, 0xca62c1d6, b, c, d, e, a, SHA_EXPAND(69));
        SHA_STEP(Parity, 0xca62c1d6, a, b, c, d, e, SHA_EXPAND(70));
        SHA_STEP(Parity, 0xca62c1d6, e, a, b, c, d, SHA_EXPAND(71));
        SHA_STEP(Parity, 0xca62c1d6, d, e, a, b, c, SHA_EXPAND(72));
        SHA_STEP(Parity, 0xca62c1d6, c, d, e, a, b, SHA_EXPAND(73));
        SHA_STEP(Parity, 0xca62c1d6, b, c, d, e, a, SHA_EXPAND(74));
        SHA_STEP(Parity, 0xca62c1d6, a, b, c, d, e, SHA_EXPAND(75));
        SHA_STEP(Parity, 0xca62c1d6, e, a, b, c, d, SHA_EXPAND(76));
        SHA_STEP(Parity, 0xca62c1d6, d, e, a, b, c, SHA_EXPAND(77));
        SHA_STEP(Parity, 0xca62c1d6, c, d, e, a, b, SHA_EXPAND(78));
        SHA_STEP(Parity, 0xca62c1d6, b, c, d, e, a, SHA_EXPAND(79));


        a += aa;
        b += bb;
        c += cc;
        d += dd;
        e += ee;
    }
    state[0] = a;
    state[1] = b;
    state[2] = c;
    state[3] = d;
    state[4] = e;
    SecureWipeObject(w);
}

#undef SHA_LOAD
#undef SHA_EXPAND
#undef SHA_STEP

void ShaInit(ShaContext* context) {
    context->state[0] = 0x67452301;
    context->state[1] = 0xefcdab89;
    context->state[2] = 0x98badcfe;
    context->state[3] = 0x10325476;
    context->state[4] = 0xc3d2e1f0;
    context->count[0] = 0;
    context->count[1] = 0;
}

template <bool kRotate>
void ShaUpdate(ShaContext* context, const std::uint8_t* data, std::uint32_t len) {
    Update64(context->state, context->count, context->buffer, data, len, ShaBlocks<kRotate>);
}

// SHA finish (SHA-0, SHA-1, SHA-256): 0x80, zeros to 56 mod 64, the bit
// count most significant byte first; then the first `words` chaining words,
// most significant byte first, into out; then the context is wiped.
template <typename Context, typename Blocks>
void ShaFamilyFinal(std::uint8_t* out, int words, Context* context, Blocks blocks) {
    std::uint8_t bits[8];
    StoreBe32(bits, context->count[1]);
    StoreBe32(bits + 4, context->count[0]);
    const std::uint32_t index = (context->count[0] >> 3) & 63;
    const std::uint32_t padLen = index < 56 ? 56 - index : 120 - index;
    Update64(context->state, context->count, context->buffer, kPadding64, padLen, blocks);
    Update64(context->state, context->count, context->buffer, bits, 8, blocks);
    for (int i = 0; i < words; ++i) StoreBe32(out + 4 * i, context->state[i]);
    SecureWipeObject(*context);
}

template <bool kRotate>
void ShaFinal(std::uint8_t out[20], ShaContext* context) {
    ShaFamilyFinal(out, 5, context, ShaBlocks<kRotate>);
}

// ---------------------------------------------------------------------------
// SHA-256 (FIPS 180-4). Same layout as SHA-1: the schedule is a 16-word
// window in the function's own storage, wiped before returning; the eight
// working words are locals kept across blocks.

constexpr std::uint32_t kSha256K[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2,
};

inline std::uint32_t Rotr(std::uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }
// Sigma0 = ROTR 2 ^ ROTR 13 ^ ROTR 22 and Sigma1 = ROTR 6 ^ ROTR 11 ^ ROTR 25,
// nested so that each needs fewer register copies (measurably faster here).
inline std::uint32_t Sha256Sigma0(std::uint32_t x) { return Rotr(x ^ Rotr(x ^ Rotr(x, 9), 11), 2); }
inline std::uint32_t Sha256Sigma1(std::uint32_t x) { return Rotr(x ^ Rotr(x ^ Rotr(x, 14), 5), 6); }
inline std::uint32_t Sha256LowerSigma0(std::uint32_t x) { return Rotr(x, 7) ^ Rotr(x, 18) ^ (x >> 3); }
inline std::uint32_t Sha256LowerSigma1(std::uint32_t x) { return Rotr(x, 17) ^ Rotr(x, 19) ^ (x >> 10); }

// One round on the rotating names: h takes T1 (K + W added first, off the
// path from e), d += T1, h += T2. Maj(a, b, c) is b ^ ((a ^ b) & (b ^ c)),
// and this round's a ^ b is the next round's b ^ c, so two words (ab, bc)
// trade places from round to round.
#define SHA256_ROUND(a, b, c, d, e, f, g, h, t, word, ab, bc) \
    h += kSha256K[t] + (word);                                \
    h += Sha256Sigma1(e) + ShaCh(e, f, g);                    \
    d += h;                                                   \
    ab = a ^ b;                                               \
    h += Sha256Sigma0(a) + (b ^ (ab & bc))
#define SHA256_LOAD(t) (w[t] = LoadBe32(block + 4 * (t)))
#define SHA256_EXPAND(t)                                                       \
    (w[(t) & 15] += Sha256LowerSigma1(w[((t) - 2) & 15]) + w[((t) - 7) & 15] + \
                    Sha256LowerSigma0(w[((t) - 15) & 15]))
#define SHA256_EIGHT(t, WORD)                                             \
    SHA256_ROUND(a, b, c, d, e, f, g, h, (t) + 0, WORD((t) + 0), x, y); \
    SHA256_ROUND(h, a, b, c, d, e, f, g, (t) + 1, WORD((t) + 1), y, x); \
    SHA256_ROUND(g, h, a, b, c, d, e, f, (t) + 2, WORD((t) + 2), x, y); \
    SHA256_ROUND(f, g, h, a, b, c, d, e, (t) + 3, WORD((t) + 3), y, x); \
    SHA256_ROUND(e, f, g, h, a, b, c, d, (t) + 4, WORD((t) + 4), x, y); \
    SHA256_ROUND(d, e, f, g, h, a, b, c, (t) + 5, WORD((t) + 5), y, x); \
    SHA256_ROUND(c, d, e, f, g, h, a, b, (t) + 6, WORD((t) + 6), x, y); \
    SHA256_ROUND(b, c, d, e, f, g, h, a, (t) + 7, WORD((t) + 7), y, x)

void Sha256Blocks(std::uint32_t* state, const std::uint8_t* block, std::size_t blocks) {
    std::uint32_t w[16];
    std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    std::uint32_t e = state[4], f = state[5], g = state[6], h = state[7];
    for (; blocks != 0; --blocks, block += 64) {
        const std::uint32_t aa = a, bb = b, cc = c, dd = d, ee = e, ff = f, gg = g, hh = h;
        std::uint32_t x = 0, y = b ^ c;
        SHA256_EIGHT(0, SHA256_LOAD);
        SHA256_EIGHT(8, SHA256_LOAD);
        SHA256_EIGHT(16, SHA256_EXPAND);
        SHA256_EIGHT(24, SHA256_EXPAND);
        SHA256_EIGHT(32, SHA256_EXPAND);
        SHA256_EIGHT(40, SHA256_EXPAND);
        SHA256_EIGHT(48, SHA256_EXPAND);
        SHA256_EIGHT(56, SHA256_EXPAND);
        a += aa;
        b += bb;
        c += cc;
        d += dd;
        e += ee;
        f += ff;
        g += gg;
        h += hh;
    }
    state[0] = a;
    state[1] = b;
    state[2] = c;
    state[3] = d;
    state[4] = e;
    state[5] = f;
    state[6] = g;
    state[7] = h;
    SecureWipeObject(w);
}

#undef SHA256_ROUND
#undef SHA256_LOAD
#undef SHA256_EXPAND
#undef SHA256_EIGHT

// ---------------------------------------------------------------------------
// MD2 (RFC 1319). The checksum bytes are updated by XOR, as in the RFC's
// reference code.

// The permutation of 0..255 built from the digits of pi.
constexpr std::uint8_t kMd2Substitution[256] = {
    0x29, 0x2E, 0x43, 0xC9, 0xA2, 0xD8, 0x7C, 0x01, 0x3D, 0x36, 0x54, 0xA1,
    0xEC, 0xF0, 0x06, 0x13, 0x62, 0xA7, 0x05, 0xF3, 0xC0, 0xC7, 0x73, 0x8C,
    0x98, 0x93, 0x2B, 0xD9, 0xBC, 0x4C, 0x82, 0xCA, 0x1E, 0x9B, 0x57, 0x3C,
    0xFD, 0xD4, 0xE0, 0x16, 0x67, 0x42, 0x6F, 0x18, 0x8A, 0x17, 0xE5, 0x12,
    0xBE, 0x4E, 0xC4, 0xD6, 0xDA, 0x9E, 0xDE, 0x49, 0xA0, 0xFB, 0xF5, 0x8E,
    0xBB, 0x2F, 0xEE, 0x7A, 0xA9, 0x68, 0x79, 0x91, 0x15, 0xB2, 0x07, 0x3F,
    0x94, 0xC2, 0x10, 0x89, 0x0B, 0x22, 0x5F, 0x21, 0x80, 0x7F, 0x5D, 0x9A,
    0x5A, 0x90, 0x32, 0x27, 0x35, 0x3E, 0xCC, 0xE7, 0xBF, 0xF7, 0x97, 0x03,
    0xFF, 0x19, 0x30, 0xB3, 0x48, 0xA5, 0xB5, 0xD1, 0xD7, 0x5E, 0x92, 0x2A,
    0xAC, 0x56, 0xAA, 0xC6, 0x4F, 0xB8, 0x38, 0xD2, 0x96, 0xA4, 0x7D, 0xB6,
    0x76, 0xFC, 0x6B, 0xE2, 0x9C, 0x74, 0x04, 0xF1, 0x45, 0x9D, 0x70, 0x59,
    0x64, 0x71, 0x87, 0x20, 0x86, 0x5B, 0xCF, 0x65, 0xE6, 0x2D, 0xA8, 0x02,
    0x1B, 0x60, 0x25, 0xAD, 0xAE, 0xB0, 0xB9, 0xF6, 0x1C, 0x46, 0x61, 0x69,
    0x34, 0x40, 0x7E, 0x0F, 0x55, 0x47, 0xA3, 0x23, 0xDD, 0x51, 0xAF, 0x3A,
    0xC3, 0x5C, 0xF9, 0xCE, 0xBA, 0xC5, 0xEA, 0x26, 0x2C, 0x53, 0x0D, 0x6E,
    0x85, 0x28, 0x84, 0x09, 0xD3, 0xDF, 0xCD, 0xF4, 0x41, 0x81, 0x4D, 0x52,
    0x6A, 0xDC, 0x37, 0xC8, 0x6C, 0xC1, 0xAB, 0xFA, 0x24, 0xE1, 0x7B, 0x08,
    0x0C, 0xBD, 0xB1, 0x4A, 0x78, 0x88, 0x95, 0x8B, 0xE3, 0x63, 0xE8, 0x6D,
    0xE9, 0xCB, 0xD5, 0xFE, 0x3B, 0x00, 0x1D, 0x39, 0xF2, 0xEF, 0xB7, 0x0E,
    0x66, 0x58, 0xD0, 0xE4, 0xA6, 0x77, 0x72, 0xF8, 0xEB, 0x75, 0x4B, 0x0A,
    0x31, 0x44, 0x50, 0xB4, 0x8F, 0xED, 0x1F, 0x1A, 0xDB, 0x99, 0x8D, 0x33,
    0x9F, 0x11, 0x83, 0x14,
};

void Md2Block(Md2Context* context, const std::uint8_t block[16]) {
    std::uint8_t x[48];
    for (int i = 0; i < 16; ++i) {
        x[i] = context->state[i];
        x[16 + i] = block[i];
        x[32 + i] = std::uint8_t(block[i] ^ context->state[i]);
    }
    unsigned t = 0;
    for (unsigned round = 0; round < 18; ++round) {
        for (int k = 0; k < 48; ++k) {
            x[k] = std::uint8_t(x[k] ^ kMd2Substitution[t]);
            t = x[k];
        }
        t = (t + round) & 0xff;
    }
    std::memcpy(context->state, x, 16);

    std::uint8_t last = context->checksum[15];
    for (int i = 0; i < 16; ++i) {
        context->checksum[i] = std::uint8_t(context->checksum[i] ^ kMd2Substitution[block[i] ^ last]);
        last = context->checksum[i];
    }
    SecureWipeObject(x);
}

void Md2Init(Md2Context* context) { std::memset(context, 0, sizeof(*context)); }

void Md2Update(Md2Context* context, const std::uint8_t* data, std::uint32_t len) {
    std::uint32_t index = context->count;
    if (index != 0) {
        const std::uint32_t room = 16 - index;
        if (len < room) {
            CopyBytes(context->buffer + index, data, len);
            context->count = index + len;
            return;
        }
        std::memcpy(context->buffer + index, data, room);
        Md2Block(context, context->buffer);
        data += room;
        len -= room;
    }
    for (; len >= 16; len -= 16, data += 16) Md2Block(context, data);
    CopyBytes(context->buffer, data, len);
    context->count = len;
}

// Appends i bytes of value i (i = 16 - bytes waiting, 1..16), then the
// checksum; the digest is the state.
void Md2Final(std::uint8_t out[16], Md2Context* context) {
    std::uint8_t pad[16];
    const std::uint32_t padLen = 16 - context->count;
    std::memset(pad, int(padLen), padLen);
    Md2Update(context, pad, padLen);
    std::uint8_t checksum[16];
    std::memcpy(checksum, context->checksum, 16);
    Md2Update(context, checksum, 16);
    std::memcpy(out, context->state, 16);
    SecureWipeObject(checksum);
    SecureWipeObject(*context);
}

}  // namespace

// ---------------------------------------------------------------------------
// MD5 entry points

void Md5Init(Md5Context* context) {
    context->state[0] = 0x67452301;
    context->state[1] = 0xefcdab89;
    context->state[2] = 0x98badcfe;
    context->state[3] = 0x10325476;
    context->count[0] = 0;
    context->count[1] = 0;
}

void Md5Update(Md5Context* context, const std::uint8_t* data, std::uint32_t len) {
    Update64(context->state, context->count, context->buffer, data, len, Md5Blocks);
}

void Md5Final(std::uint8_t out[16], Md5Context* context) { Md45Final(out, context, Md5Blocks); }

// ---------------------------------------------------------------------------
// SHA-1 and SHA-256 entry points

void Sha1Init(ShaContext* context) { ShaInit(context); }

void Sha1Update(ShaContext* context, const std::uint8_t* data, std::uint32_t len) {
    ShaUpdate<true>(context, data, len);
}

void Sha1Final(std::uint8_t out[20], ShaContext* context) { ShaFinal<true>(out, context); }

void Sha256Init(Sha256Context* context) {
    context->state[0] = 0x6a09e667;
    context->state[1] = 0xbb67ae85;
    context->state[2] = 0x3c6ef372;
    context->state[3] = 0xa54ff53a;
    context->state[4] = 0x510e527f;
    context->state[5] = 0x9b05688c;
    context->state[6] = 0x1f83d9ab;
    context->state[7] = 0x5be0cd19;
    context->count[0] = 0;
    context->count[1] = 0;
}

void Sha256Update(Sha256Context* context, const std::uint8_t* data, std::uint32_t len) {
    Update64(context->state, context->count, context->buffer, data, len, Sha256Blocks);
}

void Sha256Final(std::uint8_t out[32], Sha256Context* context) {
    ShaFamilyFinal(out, 8, context, Sha256Blocks);
}

// ---------------------------------------------------------------------------
// Selector

int DigestInit(DigestContext* context, DigestId id) {
    context->id = id;
    switch (id) {
        case DigestMd2:
            Md2Init(&context->state.md2);
            return StatusOk;
        case DigestMd4:
        case DigestMd5:
            Md5Init(&context->state.md5);
            return StatusOk;
        case DigestSha0:
        case DigestSha1:
            ShaInit(&context->state.sha);
            return StatusOk;
        default:
            return StatusUnknownDigest;
    }
}

int DigestUpdate(DigestContext* context, const std::uint8_t* data, std::uint32_t len) {
    switch (context->id) {
        case DigestMd2:
            Md2Update(&context->state.md2, data, len);
            return StatusOk;
        case DigestSha0:
            ShaUpdate<false>(&context->state.sha, data, len);
            return StatusOk;
        case DigestMd4:
            Md4Update(&context->state.md5, data, len);
            return StatusOk;
        case DigestMd5:
            Md5Update(&context->state.md5, data, len);
            return StatusOk;
        case DigestSha1:
            ShaUpdate<true>(&context->state.sha, data, len);
            return StatusOk;
        default:
            return StatusUnknownDigest;
    }
}

int DigestFinal(DigestContext* context, std::uint8_t* out, std::uint32_t* outLen) {
    *outLen = (context->id == DigestSha0 || context->id == DigestSha1) ? 20 : 16;
    switch (context->id) {
        case DigestMd2:
            Md2Final(out, &context->state.md2);
            return StatusOk;
        case DigestSha0:
            ShaFinal<false>(out, &context->state.sha);
            return StatusOk;
        case DigestMd4:
            Md45Final(out, &context->state.md5, Md4Blocks);
            return StatusOk;
        case DigestMd5:
            Md5Final(out, &context->state.md5);
            return StatusOk;
        case DigestSha1:
            ShaFinal<true>(out, &context->state.sha);
            return StatusOk;
        default:
            return StatusUnknownDigest;
    }
}

int ComputeDigest(std::uint8_t* out, std::uint32_t* outLen, const std::uint8_t* data,
                  std::uint32_t len, DigestId id) {
    DigestContext context;
    int status = DigestInit(&context, id);
    if (status == StatusOk) status = DigestUpdate(&context, data, len);
    if (status == StatusOk) status = DigestFinal(&context, out, outLen);
    SecureWipeObject(context);
    return status;
}

}  // namespace cerrojo
