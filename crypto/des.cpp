// Cerrojo DES (FIPS 46) in CBC mode (FIPS 81).
//
// The round function works on halves held rotated left by one bit. In that
// form the expansion E needs no bit work: the eight 6-bit groups of E(R) sit
// in the low six bits of the four bytes of rotl(R, 1) (groups 2, 4, 6, 8) and
// of that value rotated right by four (groups 1, 3, 5, 7). Each S-box has a
// combined table giving its output already moved by P and rotated by one bit,
// so a round is eight lookups XORed together. The key schedule cooks every
// round key into the same two-word layout.

#include "crypto/des.h"

namespace cerrojo {

namespace {

// ---------------------------------------------------------------------------
// Tables of the standard. Bit positions count from 1 = most significant.

// S-boxes, row by row (row = outer two input bits, column = inner four).
constexpr std::uint8_t kSBoxes[8][64] = {
    {14, 4,  13, 1,  2,  15, 11, 8,  3,  10, 6,  12, 5,  9,  0,  7,
     0,  15, 7,  4,  14, 2,  13, 1,  10, 6,  12, 11, 9,  5,  3,  8,
     4,  1,  14, 8,  13, 6,  2,  11, 15, 12, 9,  7,  3,  10, 5,  0,
     15, 12, 8,  2,  4,  9,  1,  7,  5,  11, 3,  14, 10, 0,  6,  13},
    {15, 1,  8,  14, 6,  11, 3,  4,  9,  7,  2,  13, 12, 0,  5,  10,
     3,  13, 4,  7,  15, 2,  8,  14, 12, 0,  1,  10, 6,  9,  11, 5,
     0,  14, 7,  11, 10, 4,  13, 1,  5,  8,  12, 6,  9,  3,  2,  15,
     13, 8,  10, 1,  3,  15, 4,  2,  11, 6,  7,  12, 0,  5,  14, 9},
    {10, 0,  9,  14, 6,  3,  15, 5,  1,  13, 12, 7,  11, 4,  2,  8,
     13, 7,  0,  9,  3,  4,  6,  10, 2,  8,  5,  14, 12, 11, 15, 1,
     13, 6,  4,  9,  8,  15, 3,  0,  11, 1,  2,  12, 5,  10, 14, 7,
     1,  10, 13, 0,  6,  9,  8,  7,  4,  15, 14, 3,  11, 5,  2,  12},
    {7,  13, 14, 3,  0,  6,  9,  10, 1,  2,  8,  5,  11, 12, 4,  15,
     13, 8,  11, 5,  6,  15, 0,  3,  4,  7,  2,  12, 1,  10, 14, 9,
     10, 6,  9,  0,  12, 11, 7,  13, 15, 1,  3,  14, 5,  2,  8,  4,
     3,  15, 0,  6,  10, 1,  13, 8,  9,  4,  5,  11, 12, 7,  2,  14},
    {2,  12, 4,  1,  7,  10, 11, 6,  8,  5,  3,  15, 13, 0,  14, 9,
     14, 11, 2,  12, 4,  7,  13, 1,  5,  0,  15, 10, 3,  9,  8,  6,
     4,  2,  1,  11, 10, 13, 7,  8,  15, 9,  12, 5,  6,  3,  0,  14,
     11, 8,  12, 7,  1,  14, 2,  13, 6,  15, 0,  9,  10, 4,  5,  3},
    {12, 1,  10, 15, 9,  2,  6,  8,  0,  13, 3,  4,  14, 7,  5,  11,
     10, 15, 4,  2,  7,  12, 9,  5,  6,  1,  13, 14, 0,  11, 3,  8,
     9,  14, 15, 5,  2,  8,  12, 3,  7,  0,  4,  10, 1,  13, 11, 6,
     4,  3,  2,  12, 9,  5,  15, 10, 11, 14, 1,  7,  6,  0,  8,  13},
    {4,  11, 2,  14, 15, 0,  8,  13, 3,  12, 9,  7,  5,  10, 6,  1,
     13, 0,  11, 7,  4,  9,  1,  10, 14, 3,  5,  12, 2,  15, 8,  6,
     1,  4,  11, 13, 12, 3,  7,  14, 10, 15, 6,  8,  0,  5,  9,  2,
     6,  11, 13, 8,  1,  4,  10, 7,  9,  5,  0,  15, 14, 2,  3,  12},
    {13, 2,  8,  4,  6,  15, 11, 1,  10, 9,  3,  14, 5,  0,  12, 7,
     1,  15, 13, 8,  10, 3,  7,  4,  12, 5,  6,  11, 0,  14, 9,  2,
     7,  11, 4,  1,  9,  12, 14, 2,  0,  6,  10, 13, 15, 3,  5,  8,
     2,  1,  14, 7,  4,  10, 8,  13, 15, 12, 9,  0,  3,  5,  6,  11},
};

// P: output bit i is input bit kP[i].
constexpr std::uint8_t kP[32] = {16, 7, 20, 21, 29, 12, 28, 17, 1,  15, 23, 26, 5,  18, 31, 10,
                                 2,  8, 24, 14, 32, 27, 3,  9,  19, 13, 30, 6,  22, 11, 4,  25};

// Permuted choice 1: the C half (28 bits), then the D half. Never names a
// parity bit (8, 16, ..., 64).
constexpr std::uint8_t kPc1[56] = {57, 49, 41, 33, 25, 17, 9,  1,  58, 50, 42, 34, 26, 18,
                                   10, 2,  59, 51, 43, 35, 27, 19, 11, 3,  60, 52, 44, 36,
                                   63, 55, 47, 39, 31, 23, 15, 7,  62, 54, 46, 38, 30, 22,
                                   14, 6,  61, 53, 45, 37, 29, 21, 13, 5,  28, 20, 12, 4};

// Left rotation of C and D before each round, counted from the start.
constexpr std::uint8_t kCumulativeRotations[16] = {1,  2,  4,  6,  8,  10, 12, 14,
                                                   15, 17, 19, 21, 23, 25, 27, 28};

// Permuted choice 2: round key bit i is bit kPc2[i] of C||D.
constexpr std::uint8_t kPc2[48] = {14, 17, 11, 24, 1,  5,  3,  28, 15, 6,  21, 10,
                                   23, 19, 12, 4,  26, 8,  16, 7,  27, 20, 13, 2,
                                   41, 52, 31, 37, 47, 55, 30, 40, 51, 45, 33, 48,
                                   44, 49, 39, 56, 34, 53, 46, 42, 50, 36, 29, 32};

// ---------------------------------------------------------------------------
// Combined S-box/P tables, built at compile time from the tables above.

constexpr std::uint32_t Rotl(std::uint32_t x, unsigned n) { return (x << n) | (x >> (32 - n)); }
constexpr std::uint32_t Rotr(std::uint32_t x, unsigned n) { return (x >> n) | (x << (32 - n)); }

struct CombinedTables {
    std::uint32_t entry[8][64];
};

constexpr CombinedTables MakeCombinedTables() {
    CombinedTables tables{};
    for (int box = 0; box < 8; ++box) {
        for (int input = 0; input < 64; ++input) {
            const int row = ((input >> 4) & 2) | (input & 1);
            const int column = (input >> 1) & 15;
            const std::uint32_t nibble = kSBoxes[box][row * 16 + column];
            // Before P the box's four output bits are bits 4*box+1 .. 4*box+4.
            const std::uint32_t beforeP = nibble << (28 - 4 * box);
            std::uint32_t afterP = 0;
            for (int i = 0; i < 32; ++i) {
                if (beforeP & (0x80000000u >> (kP[i] - 1))) afterP |= 0x80000000u >> i;
            }
            tables.entry[box][input] = Rotl(afterP, 1);
        }
    }
    return tables;
}

alignas(64) constexpr CombinedTables kCombined = MakeCombinedTables();

static_assert(kCombined.entry[0][0] == 0x01010400u && kCombined.entry[0][1] == 0x00000000u &&
                  kCombined.entry[0][2] == 0x00010000u && kCombined.entry[0][3] == 0x01010404u,
              "combined S-box table 1 does not start as the standard gives it");

// ---------------------------------------------------------------------------

inline std::uint32_t LoadBigEndian(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) |
           (std::uint32_t{p[2]} << 8) | std::uint32_t{p[3]};
}

inline void StoreBigEndian(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v >> 24);
    p[1] = static_cast<std::uint8_t>(v >> 16);
    p[2] = static_cast<std::uint8_t>(v >> 8);
    p[3] = static_cast<std::uint8_t>(v);
}

// f(R, K) for a half held as rotl(R, 1), already moved by P and rotated.
inline std::uint32_t RoundFunction(std::uint32_t half, const std::uint32_t* key) {
    const auto& t = kCombined.entry;
    std::uint32_t work = Rotr(half, 4) ^ key[0];
    std::uint32_t f = t[6][work & 0x3f] ^ t[4][(work >> 8) & 0x3f] ^ t[2][(work >> 16) & 0x3f] ^
                      t[0][(work >> 24) & 0x3f];
    work = half ^ key[1];
    f ^= t[7][work & 0x3f] ^ t[5][(work >> 8) & 0x3f] ^ t[3][(work >> 16) & 0x3f] ^
         t[1][(work >> 24) & 0x3f];
    return f;
}

// Swaps the bits of a selected by mask << shift with the bits of b selected by mask.
inline void SwapMove(std::uint32_t& a, std::uint32_t& b, unsigned shift, std::uint32_t mask) {
    const std::uint32_t t = ((a >> shift) ^ b) & mask;
    b ^= t;
    a ^= t << shift;
}

inline void Encipher(std::uint32_t& left, std::uint32_t& right, const std::uint32_t* subkeys) {
    // Initial permutation; both halves leave it rotated left by one bit.
    SwapMove(left, right, 4, 0x0f0f0f0fu);
    SwapMove(left, right, 16, 0x0000ffffu);
    SwapMove(right, left, 2, 0x33333333u);
    SwapMove(right, left, 8, 0x00ff00ffu);
    right = Rotl(right, 1);
    SwapMove(left, right, 0, 0xaaaaaaaau);
    left = Rotl(left, 1);

    // Sixteen rounds in pairs, so the halves never need swapping.
    for (int pair = 0; pair < 8; ++pair) {
        left ^= RoundFunction(right, subkeys);
        right ^= RoundFunction(left, subkeys + 2);
        subkeys += 4;
    }

    // Final permutation of R16 || L16: the initial one run backwards.
    std::uint32_t l = right;
    std::uint32_t r = left;
    l = Rotr(l, 1);
    SwapMove(l, r, 0, 0xaaaaaaaau);
    r = Rotr(r, 1);
    SwapMove(r, l, 8, 0x00ff00ffu);
    SwapMove(r, l, 2, 0x33333333u);
    SwapMove(l, r, 16, 0x0000ffffu);
    SwapMove(l, r, 4, 0x0f0f0f0fu);
    left = l;
    right = r;
}

// CBC over whole blocks with any 64-bit block function (one DES or three).
// Encrypt: work = input ^ chain, cipher, output = chain = work. Decrypt:
// work = input, cipher, output = work ^ chain, chain = input. Each block is
// read whole before its output is written, so input and output may be the
// same area. The chaining value is stored back; block copies are wiped.
template <typename Cipher>
int CbcRun(std::uint32_t iv[2], std::int32_t encrypt, std::uint8_t* output,
           const std::uint8_t* input, std::uint32_t length, Cipher cipher) {
    if (length % 8 != 0) return StatusBadLength;
    std::uint32_t work[2];
    std::uint32_t in[2];
    std::uint32_t chain0 = iv[0];
    std::uint32_t chain1 = iv[1];
    for (std::uint32_t offset = 0; offset < length; offset += 8) {
        in[0] = LoadBigEndian(input + offset);
        in[1] = LoadBigEndian(input + offset + 4);
        work[0] = encrypt ? in[0] ^ chain0 : in[0];
        work[1] = encrypt ? in[1] ^ chain1 : in[1];
        cipher(work[0], work[1]);
        if (encrypt) {
            chain0 = work[0];
            chain1 = work[1];
            StoreBigEndian(output + offset, work[0]);
            StoreBigEndian(output + offset + 4, work[1]);
        } else {
            StoreBigEndian(output + offset, work[0] ^ chain0);
            StoreBigEndian(output + offset + 4, work[1] ^ chain1);
            chain0 = in[0];
            chain1 = in[1];
        }
    }
    iv[0] = chain0;
    iv[1] = chain1;
    SecureWipeObject(work);
    SecureWipeObject(in);
    return StatusOk;
}

}  // namespace

void DesKeySchedule(std::uint32_t subkeys[32], const std::uint8_t key[8], std::int32_t encrypt) {
    std::uint8_t chosen[56];   // key bits after permuted choice 1
    std::uint8_t rotated[56];  // C and D after the round's rotation
    std::uint8_t roundKey[48]; // the round key bit by bit
    std::uint32_t halves[2];   // the round key as two 24-bit halves

    for (int i = 0; i < 56; ++i) {
        const int bit = kPc1[i] - 1;
        chosen[i] = (key[bit >> 3] >> (7 - (bit & 7))) & 1;
    }

    for (int round = 0; round < 16; ++round) {
        const int shift = kCumulativeRotations[round];
        for (int i = 0; i < 28; ++i) {
            rotated[i] = chosen[(i + shift) % 28];
            rotated[28 + i] = chosen[28 + (i + shift) % 28];
        }
        for (int i = 0; i < 48; ++i) roundKey[i] = rotated[kPc2[i] - 1];
        halves[0] = halves[1] = 0;
        for (int i = 0; i < 24; ++i) {
            halves[0] = (halves[0] << 1) | roundKey[i];
            halves[1] = (halves[1] << 1) | roundKey[24 + i];
        }

        // Group g (1..8) is bits 6g-5 .. 6g of the round key. The odd groups
        // go to the bytes of the first word, the even ones to the second, in
        // the places RoundFunction reads them.
        auto group = [&](int g) -> std::uint32_t {
            const std::uint32_t half = halves[(g - 1) / 4];
            return (half >> (18 - 6 * ((g - 1) % 4))) & 0x3f;
        };
        const int slot = encrypt ? round : 15 - round;
        subkeys[2 * slot] = (group(1) << 24) | (group(3) << 16) | (group(5) << 8) | group(7);
        subkeys[2 * slot + 1] = (group(2) << 24) | (group(4) << 16) | (group(6) << 8) | group(8);
    }

    SecureWipeObject(chosen);
    SecureWipeObject(rotated);
    SecureWipeObject(roundKey);
    SecureWipeObject(halves);
}

void DesBlock(std::uint32_t block[2], const std::uint32_t subkeys[32]) {
    Encipher(block[0], block[1], subkeys);
}

void DesCbcInit(DesCbcContext* context, const std::uint8_t key[8], const std::uint8_t iv[8],
                std::int32_t encrypt) {
    context->encrypt = encrypt;
    context->iv[0] = LoadBigEndian(iv);
    context->iv[1] = LoadBigEndian(iv + 4);
    DesKeySchedule(context->subkeys, key, encrypt);
}

int DesCbcUpdate(DesCbcContext* context, std::uint8_t* output, const std::uint8_t* input,
                 std::uint32_t length) {
    const std::uint32_t* subkeys = context->subkeys;
    return CbcRun(context->iv, context->encrypt, output, input, length,
                  [subkeys](std::uint32_t& left, std::uint32_t& right) {
                      Encipher(left, right, subkeys);
                  });
}

void DesEde3CbcInit(DesEde3CbcContext* context, const std::uint8_t key[24],
                    const std::uint8_t iv[8], std::int32_t encrypt) {
    context->encrypt = encrypt;
    context->iv[0] = LoadBigEndian(iv);
    context->iv[1] = LoadBigEndian(iv + 4);
    // Encryption: E(K1), D(K2), E(K3). Decryption: D(K3), E(K2), D(K1).
    const int first = encrypt ? 0 : 2;
    DesKeySchedule(context->subkeys[0], key + 8 * first, encrypt);
    DesKeySchedule(context->subkeys[1], key + 8, !encrypt);
    DesKeySchedule(context->subkeys[2], key + 8 * (2 - first), encrypt);
}

int DesEde3CbcUpdate(DesEde3CbcContext* context, std::uint8_t* output,
                     const std::uint8_t* input, std::uint32_t length) {
    const auto& subkeys = context->subkeys;
    return CbcRun(context->iv, context->encrypt, output, input, length,
                  [&subkeys](std::uint32_t& left, std::uint32_t& right) {
                      Encipher(left, right, subkeys[0]);
                      Encipher(left, right, subkeys[1]);
                      Encipher(left, right, subkeys[2]);
                  });
}

}  // namespace cerrojo
