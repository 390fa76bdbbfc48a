#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <cstring>
#include <random>

#include "crypto/des.h"
#include "support/openssl_legacy.h"
#include "support/testdata.h"

namespace {

using cerrojo::DesCbcContext;
using testsupport::Bytes;
using testsupport::ToHex;

// Runs DES-CBC over data with a fresh context.
Bytes Cbc(const Bytes& key, const Bytes& iv, const Bytes& data, int encrypt) {
    DesCbcContext context;
    cerrojo::DesCbcInit(&context, key.data(), iv.data(), encrypt);
    Bytes out(data.size());
    EXPECT_EQ(cerrojo::DesCbcUpdate(&context, out.data(), data.data(),
                                    static_cast<std::uint32_t>(data.size())),
              0);
    return out;
}

// DES-CBC without padding by OpenSSL's libcrypto, the independent reference.
Bytes OpenSslCbc(const Bytes& key, const Bytes& iv, const Bytes& data, int encrypt) {
    EXPECT_TRUE(testsupport::LoadLegacyProviders());
    EVP_CIPHER* cipher = EVP_CIPHER_fetch(nullptr, "DES-CBC", nullptr);
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    Bytes out(data.size() + 8);
    int n1 = 0, n2 = 0;
    const bool ok =
        cipher && ctx &&
        EVP_CipherInit_ex(ctx, cipher, nullptr, key.data(), iv.data(), encrypt) == 1 &&
        EVP_CIPHER_CTX_set_padding(ctx, 0) == 1 &&
        EVP_CipherUpdate(ctx, out.data(), &n1, data.data(), static_cast<int>(data.size())) == 1 &&
        EVP_CipherFinal_ex(ctx, out.data() + n1, &n2) == 1;
    EXPECT_TRUE(ok) << "OpenSSL DES-CBC unavailable";
    EVP_CIPHER_CTX_free(ctx);
    EVP_CIPHER_free(cipher);
    out.resize(ok ? static_cast<std::size_t>(n1 + n2) : 0);
    return out;
}

Bytes RandomBytes(std::mt19937& rng, std::size_t n) {
    Bytes b(n);
    for (auto& x : b) x = static_cast<std::uint8_t>(rng());
    return b;
}

// FIPS 81 CBC example and the NIST single-block tables (variable plaintext,
// inverse permutation, variable key, permutation operation, substitution
// tables), both directions, and in place.
TEST(DesCbc, PublishedKnownAnswers) {
    const auto records = testsupport::ReadVecFile("des.vec");
    ASSERT_EQ(records.size(), 172u);
    const Bytes zeroIv(8, 0);
    for (const auto& r : records) {
        SCOPED_TRACE(r.section + " record at line " + std::to_string(r.line));
        const Bytes key = r.Hex("Key");
        const Bytes iv = r.Has("IV") ? r.Hex("IV") : zeroIv;
        const Bytes plain = r.Hex("Plaintext");
        const Bytes cipher = r.Hex("Ciphertext");
        EXPECT_EQ(ToHex(Cbc(key, iv, plain, 1)), ToHex(cipher));
        EXPECT_EQ(ToHex(Cbc(key, iv, cipher, 0)), ToHex(plain));

        Bytes inPlace = plain;
        DesCbcContext context;
        cerrojo::DesCbcInit(&context, key.data(), iv.data(), 1);
        ASSERT_EQ(cerrojo::DesCbcUpdate(&context, inPlace.data(), inPlace.data(),
                                        static_cast<std::uint32_t>(inPlace.size())),
                  0);
        EXPECT_EQ(ToHex(inPlace), ToHex(cipher));
        cerrojo::DesCbcInit(&context, key.data(), iv.data(), 0);
        ASSERT_EQ(cerrojo::DesCbcUpdate(&context, inPlace.data(), inPlace.data(),
                                        static_cast<std::uint32_t>(inPlace.size())),
                  0);
        EXPECT_EQ(ToHex(inPlace), ToHex(plain));
    }
}

// Rivest's iterated test of the raw block function: X(i+1) = E(Xi, Xi) for even
// i, D(Xi, Xi) for odd i; X16 catches every single fault in the tables.
TEST(DesBlock, RivestIteratedTest) {
    std::uint8_t x[8] = {0x94, 0x74, 0xB8, 0xE8, 0xC7, 0x3B, 0xCA, 0x7D};
    for (int i = 0; i < 16; ++i) {
        std::uint32_t subkeys[32];
        cerrojo::DesKeySchedule(subkeys, x, (i % 2 == 0) ? 1 : 0);
        std::uint32_t block[2];
        block[0] = (std::uint32_t{x[0]} << 24) | (std::uint32_t{x[1]} << 16) |
                   (std::uint32_t{x[2]} << 8) | x[3];
        block[1] = (std::uint32_t{x[4]} << 24) | (std::uint32_t{x[5]} << 16) |
                   (std::uint32_t{x[6]} << 8) | x[7];
        cerrojo::DesBlock(block, subkeys);
        for (int j = 0; j < 4; ++j) {
            x[j] = static_cast<std::uint8_t>(block[0] >> (24 - 8 * j));
            x[4 + j] = static_cast<std::uint8_t>(block[1] >> (24 - 8 * j));
        }
    }
    EXPECT_EQ(ToHex(x, 8), "1b1a2ddb4c642438");
}

// Random keys, IVs and lengths against OpenSSL, both directions; the chaining
// value carries across calls split at random block boundaries.
TEST(DesCbc, MatchesOpenSslOnRandomInput) {
    std::mt19937 rng(20261208);
    const int rounds = testsupport::Scaled(300, 40);
    for (int n = 0; n < rounds; ++n) {
        const Bytes key = RandomBytes(rng, 8);
        const Bytes iv = RandomBytes(rng, 8);
        const Bytes data = RandomBytes(rng, 8 * (rng() % 40));
        const int encrypt = static_cast<int>(rng() % 2);
        const Bytes expected = OpenSslCbc(key, iv, data, encrypt);

        DesCbcContext context;
        cerrojo::DesCbcInit(&context, key.data(), iv.data(), encrypt ? 7 : 0);
        Bytes out(data.size());
        std::size_t done = 0;
        while (done < data.size()) {
            const std::size_t step = std::min(data.size() - done, 8 * (1 + rng() % 4));
            ASSERT_EQ(cerrojo::DesCbcUpdate(&context, out.data() + done, data.data() + done,
                                            static_cast<std::uint32_t>(step)),
                      0);
            done += step;
        }
        ASSERT_EQ(ToHex(out), ToHex(expected)) << "key " << ToHex(key) << " iv " << ToHex(iv);
        ASSERT_EQ(ToHex(Cbc(key, iv, out, !encrypt)), ToHex(data));
    }
}

TEST(DesCbc, OneCallEqualsTwoCallsAndChainingCarriesOver) {
    const Bytes key = testsupport::FromHex("0123456789abcdef");
    const Bytes iv = testsupport::FromHex("1234567890abcdef");
    const Bytes data = testsupport::FromText("sixteen bytes!!!");
    const Bytes whole = Cbc(key, iv, data, 1);

    DesCbcContext context;
    cerrojo::DesCbcInit(&context, key.data(), iv.data(), 1);
    Bytes parts(16);
    ASSERT_EQ(cerrojo::DesCbcUpdate(&context, parts.data(), data.data(), 8), 0);
    ASSERT_EQ(cerrojo::DesCbcUpdate(&context, parts.data() + 8, data.data() + 8, 8), 0);
    EXPECT_EQ(ToHex(parts), ToHex(whole));
}

TEST(DesCbc, ParityBitsAreIgnored) {
    std::mt19937 rng(7);
    for (int n = 0; n < 20; ++n) {
        const Bytes key = RandomBytes(rng, 8);
        Bytes flipped = key;
        for (auto& b : flipped) b ^= 0x01;
        const Bytes iv = RandomBytes(rng, 8);
        const Bytes data = RandomBytes(rng, 24);
        EXPECT_EQ(ToHex(Cbc(key, iv, data, 1)), ToHex(Cbc(flipped, iv, data, 1)));
        EXPECT_EQ(ToHex(Cbc(key, iv, data, 0)), ToHex(Cbc(flipped, iv, data, 0)));
        // A non-parity bit does matter.
        Bytes other = key;
        other[n % 8] ^= 0x02;
        EXPECT_NE(ToHex(Cbc(key, iv, data, 1)), ToHex(Cbc(other, iv, data, 1)));
    }
}

TEST(DesCbc, RejectsPartialBlocksWithoutTouchingAnything) {
    const Bytes key = testsupport::FromHex("133457799bbcdff1");
    const Bytes iv = testsupport::FromHex("0001020304050607");
    for (int encrypt : {1, 0}) {
        DesCbcContext context;
        cerrojo::DesCbcInit(&context, key.data(), iv.data(), encrypt);
        std::uint8_t input[24];
        std::memset(input, 0x5a, sizeof input);
        for (std::uint32_t length : {7u, 9u, 15u, 17u, 23u, 1u}) {
            std::uint8_t output[24];
            std::memset(output, 0xee, sizeof output);
            DesCbcContext before;
            std::memcpy(&before, &context, sizeof context);
            EXPECT_EQ(cerrojo::DesCbcUpdate(&context, output, input, length), 1030);
            EXPECT_EQ(std::memcmp(&before, &context, sizeof context), 0) << length;
            for (std::uint8_t b : output) ASSERT_EQ(b, 0xee) << length;
        }
        // Length 0 succeeds and changes nothing either.
        DesCbcContext before;
        std::memcpy(&before, &context, sizeof context);
        EXPECT_EQ(cerrojo::DesCbcUpdate(&context, nullptr, nullptr, 0), 0);
        EXPECT_EQ(std::memcmp(&before, &context, sizeof context), 0);
        // The context still works after the refusals.
        std::uint8_t out[8];
        ASSERT_EQ(cerrojo::DesCbcUpdate(&context, out, input, 8), 0);
        EXPECT_EQ(ToHex(out, 8), ToHex(Cbc(key, iv, Bytes(input, input + 8), encrypt)));
    }
}

// Triple DES over data with a fresh context, in pieces of 8 * (1 + cut % 3)
// bytes so the chaining value carries across calls.
Bytes Ede3(const Bytes& key, const Bytes& iv, const Bytes& data, int encrypt, unsigned cut) {
    cerrojo::DesEde3CbcContext context;
    cerrojo::DesEde3CbcInit(&context, key.data(), iv.data(), encrypt);
    Bytes out = data;  // in place
    for (std::size_t done = 0; done < out.size(); done += 8 * (1 + cut % 3)) {
        const std::size_t step = std::min<std::size_t>(out.size() - done, 8 * (1 + cut % 3));
        EXPECT_EQ(cerrojo::DesEde3CbcUpdate(&context, out.data() + done, out.data() + done,
                                            static_cast<std::uint32_t>(step)),
                  0);
    }
    return out;
}

// NIST's CBC example and SP 800-67's three-key example, both directions, in
// place and in pieces.
TEST(DesEde3Cbc, MatchesPublishedVectors) {
    const auto records = testsupport::ReadVecFile("des_ede3.vec");
    ASSERT_EQ(records.size(), 4u);
    for (const auto& r : records) {
        SCOPED_TRACE(r.section + " record at line " + std::to_string(r.line));
        const Bytes iv = r.Has("IV") ? r.Hex("IV") : Bytes(8, 0);
        EXPECT_EQ(ToHex(Ede3(r.Hex("Key"), iv, r.Hex("Plaintext"), 1, 1)), r.Text("Ciphertext"));
        EXPECT_EQ(ToHex(Ede3(r.Hex("Key"), iv, r.Hex("Ciphertext"), 0, 2)), r.Text("Plaintext"));
    }
}

}  // namespace
