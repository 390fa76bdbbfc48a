// Random pool against a separate model of its byte stream: OpenSSL's MD5, the
// seed as a 128-bit integer, and the seed step written as "the trailing zero
// bytes and the first non-zero byte before them each gain 1".
#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <cstring>
#include <vector>

#include "crypto/random.h"
#include "support/testdata.h"

namespace {

using cerrojo::RandomPool;
using testsupport::Bytes;
using testsupport::ToHex;

__extension__ typedef unsigned __int128 U128;

Bytes Md5(const std::uint8_t* p, std::size_t n) {
    Bytes out(16);
    unsigned int len = 0;
    EXPECT_EQ(EVP_Digest(p, n, out.data(), &len, EVP_md5(), nullptr), 1);
    return out;
}

U128 FromBytes(const std::uint8_t* b) {
    U128 v = 0;
    for (int i = 0; i < 16; ++i) v = (v << 8) | b[i];
    return v;
}

void ToBytes(U128 v, std::uint8_t* b) {
    for (int i = 15; i >= 0; --i, v >>= 8) b[i] = std::uint8_t(v);
}

struct Model {
    std::uint8_t seed[16] = {};
    Bytes pending;  // unread bytes of the current block

    void Seed(const Bytes& data) {
        const Bytes d = Md5(data.data(), data.size());
        ToBytes(FromBytes(seed) + FromBytes(d.data()), seed);  // wraps mod 2^128
    }
    void Step() {
        int k = 15;
        while (k > 0 && seed[k] == 0) --k;  // k: the first non-zero byte from the end, or 0
        for (int i = k; i < 16; ++i) ++seed[i];
    }
    Bytes Draw(std::size_t n) {
        while (pending.size() < n) {
            const Bytes block = Md5(seed, 16);
            pending.insert(pending.end(), block.begin(), block.end());
            Step();
        }
        Bytes out(pending.begin(), pending.begin() + std::ptrdiff_t(n));
        pending.erase(pending.begin(), pending.begin() + std::ptrdiff_t(n));
        return out;
    }
};

// RandomGenerate that checks it fills exactly n bytes of a guarded buffer.
Bytes Generate(RandomPool* pool, std::uint32_t n) {
    Bytes buf(n + 8, 0xCD);
    EXPECT_EQ(cerrojo::RandomGenerate(buf.data() + 4, n, pool), 0);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(buf[std::size_t(i)], 0xCD);
        EXPECT_EQ(buf[n + 4 + std::size_t(i)], 0xCD);
    }
    return Bytes(buf.begin() + 4, buf.begin() + 4 + n);
}

RandomPool FreshPool() {
    RandomPool pool;
    std::memset(&pool, 0x77, sizeof(pool));
    EXPECT_EQ(cerrojo::RandomInit(&pool), 0);
    return pool;
}

TEST(RandomPool, InitLeavesAnUnseededPoolThatRefusesToDraw) {
    RandomPool pool = FreshPool();
    std::uint32_t needed = 0;
    EXPECT_EQ(cerrojo::RandomBytesNeeded(&pool, &needed), 0);
    EXPECT_EQ(needed, 256u);
    EXPECT_EQ(pool.available, 0u);
    EXPECT_EQ(ToHex(pool.seed, 16), std::string(32, '0'));
    for (std::uint8_t b : pool.block) EXPECT_EQ(b, 0x77);  // block is left alone

    for (std::uint32_t n : {1u, 16u, 100u}) {
        const RandomPool before = pool;
        std::uint8_t out[100];
        std::memset(out, 0xAB, sizeof(out));
        EXPECT_EQ(cerrojo::RandomGenerate(out, n, &pool), cerrojo::StatusPoolNotSeeded);
        for (std::uint8_t b : out) EXPECT_EQ(b, 0xAB);
        EXPECT_EQ(std::memcmp(&before, &pool, sizeof(pool)), 0);
    }
}

TEST(RandomPool, NeededCountsDownToZeroAndNoFurther) {
    RandomPool pool = FreshPool();
    pool.needed = 1024;
    const std::uint8_t move[4] = {1, 2, 3, 4};
    for (int i = 0; i < 255; ++i) ASSERT_EQ(cerrojo::RandomUpdate(&pool, move, 4), 0);
    std::uint32_t needed = 0;
    cerrojo::RandomBytesNeeded(&pool, &needed);
    EXPECT_EQ(needed, 4u);
    std::uint8_t out[4] = {9, 9, 9, 9};
    EXPECT_EQ(cerrojo::RandomGenerate(out, 4, &pool), cerrojo::StatusPoolNotSeeded);
    ASSERT_EQ(cerrojo::RandomUpdate(&pool, move, 4), 0);
    cerrojo::RandomBytesNeeded(&pool, &needed);
    EXPECT_EQ(needed, 0u);
    EXPECT_EQ(cerrojo::RandomGenerate(out, 4, &pool), 0);

    // A longer update than still needed stops at 0; an empty one leaves needed
    // alone but still adds MD5 of the empty string.
    pool = FreshPool();
    pool.needed = 10;
    const Bytes eleven(11, 0x42);
    cerrojo::RandomUpdate(&pool, eleven.data(), 11);
    EXPECT_EQ(pool.needed, 0u);
    pool = FreshPool();
    cerrojo::RandomUpdate(&pool, nullptr, 0);
    EXPECT_EQ(pool.needed, 256u);
    EXPECT_EQ(ToHex(pool.seed, 16), "d41d8cd98f00b204e9800998ecf8427e");
}

TEST(RandomPool, StreamMatchesTheModelInAnyDrawSizes) {
    const std::vector<std::vector<std::uint32_t>> plans = {
        {20}, {10, 10}, {1, 15, 16, 17, 0, 33, 2}, {16, 16, 16}, {64}, {5, 0, 27, 100, 1, 1, 14}};
    for (const auto& plan : plans) {
        RandomPool pool = FreshPool();
        Model model;
        for (unsigned i = 0; i < 70; ++i) {
            const Bytes data = testsupport::FromText("move " + std::to_string(i * 37));
            cerrojo::RandomUpdate(&pool, data.data(), std::uint32_t(data.size()));
            model.Seed(data);
        }
        cerrojo::RandomUpdate(&pool, nullptr, 0);
        model.Seed({});
        ASSERT_EQ(pool.needed, 0u);
        ASSERT_EQ(ToHex(pool.seed, 16), ToHex(model.seed, 16));
        Bytes ours, theirs;
        for (std::uint32_t n : plan) {
            const Bytes got = Generate(&pool, n);
            ours.insert(ours.end(), got.begin(), got.end());
            ASSERT_LE(pool.available, 16u);
        }
        theirs = model.Draw(ours.size());
        EXPECT_EQ(ToHex(ours), ToHex(theirs));
        EXPECT_EQ(ToHex(pool.seed, 16), ToHex(model.seed, 16));
    }
}

TEST(RandomPool, SeedStepCarriesPastBytesThatWereZero) {
    struct Case {
        const char* seed;
        const char* once;
        const char* twice;
    };
    const Case cases[] = {
        {"00000000000000000000000000050000", "00000000000000000000000000060101",
         "00000000000000000000000000060102"},
        {"00000000000000000000000000000000", "01010101010101010101010101010101",
         "01010101010101010101010101010102"},
        {"000000000000000000000000000012ff", "00000000000000000000000000001200",
         "00000000000000000000000000001301"},
        {"ffffffffffffffffffffffffffffffff", "ffffffffffffffffffffffffffffff00",
         "ffffffffffffffffffffffffffff0001"},
        {"80000000000000000000000000000000", "81010101010101010101010101010101",
         "81010101010101010101010101010102"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.seed);
        RandomPool pool = FreshPool();
        const Bytes seed = testsupport::FromHex(c.seed);
        std::memcpy(pool.seed, seed.data(), 16);
        pool.needed = 0;
        Model model;
        std::memcpy(model.seed, seed.data(), 16);

        const Bytes first = Generate(&pool, 16);
        EXPECT_EQ(first, Md5(seed.data(), 16));  // each block is hashed before the step
        EXPECT_EQ(ToHex(pool.seed, 16), c.once);
        const Bytes second = Generate(&pool, 16);
        EXPECT_EQ(second, Md5(testsupport::FromHex(c.once).data(), 16));
        EXPECT_EQ(ToHex(pool.seed, 16), c.twice);
        EXPECT_EQ(ToHex(model.Draw(32)), ToHex(first) + ToHex(second));
        EXPECT_EQ(ToHex(model.seed, 16), c.twice);
    }
}

TEST(RandomPool, SeedAdditionCarriesAcrossBytesAndWraps) {
    // MD5("") = d41d8cd9 8f00b204 e9800998 ecf8427e.
    RandomPool pool = FreshPool();
    std::memset(pool.seed, 0xFF, 16);
    cerrojo::RandomUpdate(&pool, nullptr, 0);
    EXPECT_EQ(ToHex(pool.seed, 16), "d41d8cd98f00b204e9800998ecf8427d");  // -1 + d mod 2^128
    const Bytes low = testsupport::FromHex("00000000000000000000000000000082");
    std::memcpy(pool.seed, low.data(), 16);
    cerrojo::RandomUpdate(&pool, nullptr, 0);
    EXPECT_EQ(ToHex(pool.seed, 16), "d41d8cd98f00b204e9800998ecf84300");
}

TEST(RandomPool, UnreadBytesSurviveLaterSeedingAndEmptyDrawsChangeNothing) {
    RandomPool pool = FreshPool();
    Model model;
    const Bytes data(300, 0x11);
    cerrojo::RandomUpdate(&pool, data.data(), 300);
    model.Seed(data);

    Bytes ours = Generate(&pool, 5);
    const RandomPool before = pool;
    std::uint8_t untouched = 0x3C;
    EXPECT_EQ(cerrojo::RandomGenerate(&untouched, 0, &pool), 0);
    EXPECT_EQ(untouched, 0x3C);
    EXPECT_EQ(std::memcmp(&before, &pool, sizeof(pool)), 0);

    Bytes theirs = model.Draw(5);
    const Bytes more = testsupport::FromText("late seeding");
    cerrojo::RandomUpdate(&pool, more.data(), std::uint32_t(more.size()));
    model.Seed(more);
    const Bytes rest = Generate(&pool, 40);  // 11 old bytes, then blocks of the new seed
    ours.insert(ours.end(), rest.begin(), rest.end());
    const Bytes modelRest = model.Draw(40);
    theirs.insert(theirs.end(), modelRest.begin(), modelRest.end());
    EXPECT_EQ(ToHex(ours), ToHex(theirs));
}

}  // namespace
