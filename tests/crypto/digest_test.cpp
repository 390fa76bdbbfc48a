// Digests against published vectors, against OpenSSL's libcrypto, and the
// selector's handling of pieces, bit counts, reuse and unknown ids.
#define OPENSSL_SUPPRESS_DEPRECATED  // the low-level contexts expose their bit count

#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/md4.h>
#include <openssl/md5.h>
#include <openssl/sha.h>
#include <sys/mman.h>

#include <cstring>
#include <string>
#include <vector>

#include "crypto/digest.h"
#include "support/openssl_legacy.h"
#include "support/testdata.h"

namespace {

using cerrojo::DigestContext;
using cerrojo::DigestId;
using testsupport::Bytes;
using testsupport::ToHex;

constexpr DigestId kAllIds[] = {cerrojo::DigestMd2, cerrojo::DigestSha0, cerrojo::DigestMd4,
                                cerrojo::DigestMd5, cerrojo::DigestSha1};

std::uint32_t LengthOf(DigestId id) {
    return (id == cerrojo::DigestSha0 || id == cerrojo::DigestSha1) ? 20 : 16;
}

Bytes Pattern(std::size_t n, unsigned seed = 1) {
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i) b[i] = std::uint8_t(i * 131 + seed * 17 + (i >> 8));
    return b;
}

Bytes OneShot(DigestId id, const Bytes& m) {
    Bytes out(20, 0);
    std::uint32_t outLen = 0;
    EXPECT_EQ(cerrojo::ComputeDigest(out.data(), &outLen, m.data(), std::uint32_t(m.size()), id), 0);
    EXPECT_EQ(outLen, LengthOf(id));
    out.resize(outLen);
    return out;
}

// Feeds m in the pieces whose lengths are given (the last piece takes the rest).
Bytes InPieces(DigestId id, const Bytes& m, const std::vector<std::size_t>& cuts) {
    DigestContext ctx;
    EXPECT_EQ(cerrojo::DigestInit(&ctx, id), 0);
    std::size_t at = 0;
    for (std::size_t cut : cuts) {
        EXPECT_EQ(cerrojo::DigestUpdate(&ctx, m.data() + at, std::uint32_t(cut)), 0);
        at += cut;
    }
    EXPECT_EQ(cerrojo::DigestUpdate(&ctx, m.data() + at, std::uint32_t(m.size() - at)), 0);
    Bytes out(20, 0);
    std::uint32_t outLen = 0;
    EXPECT_EQ(cerrojo::DigestFinal(&ctx, out.data(), &outLen), 0);
    out.resize(outLen);
    return out;
}

Bytes OpenSslDigest(const char* name, const Bytes& m) {
    EXPECT_TRUE(testsupport::LoadLegacyProviders());
    EVP_MD* md = EVP_MD_fetch(nullptr, name, nullptr);
    EXPECT_NE(md, nullptr) << name;
    if (md == nullptr) return {};
    Bytes out(EVP_MAX_MD_SIZE);
    unsigned int len = 0;
    EXPECT_EQ(EVP_Digest(m.data(), m.size(), out.data(), &len, md, nullptr), 1);
    EVP_MD_free(md);
    out.resize(len);
    return out;
}

struct VecCase {
    const char* file;
    DigestId id;
};

void PrintTo(const VecCase& c, std::ostream* os) { *os << c.file; }

class KnownAnswers : public ::testing::TestWithParam<VecCase> {};

TEST_P(KnownAnswers, MatchPublishedDigests) {
    const VecCase c = GetParam();
    for (const auto& r : testsupport::ReadVecFile(c.file)) {
        if (!r.section.empty()) continue;
        SCOPED_TRACE(std::string(c.file) + " line " + std::to_string(r.line));
        const Bytes in = r.Hex("In");
        const std::uint64_t repeat = r.Has("Repeat") ? r.Number("Repeat") : 1;
        if (repeat == 1) {
            EXPECT_EQ(ToHex(OneShot(c.id, in)), r.Text("Out"));
            continue;
        }
        // Long messages go in chunks of 1000 repetitions (not a block multiple).
        Bytes chunk;
        for (int i = 0; i < 1000; ++i) chunk.insert(chunk.end(), in.begin(), in.end());
        DigestContext ctx;
        ASSERT_EQ(cerrojo::DigestInit(&ctx, c.id), 0);
        for (std::uint64_t done = 0; done < repeat; done += 1000) {
            const std::uint64_t n = std::min<std::uint64_t>(1000, repeat - done);
            ASSERT_EQ(cerrojo::DigestUpdate(&ctx, chunk.data(), std::uint32_t(n * in.size())), 0);
        }
        Bytes out(20);
        std::uint32_t outLen = 0;
        ASSERT_EQ(cerrojo::DigestFinal(&ctx, out.data(), &outLen), 0);
        out.resize(outLen);
        EXPECT_EQ(ToHex(out), r.Text("Out"));
    }
}

INSTANTIATE_TEST_SUITE_P(Digests, KnownAnswers,
                         ::testing::Values(VecCase{"md2.vec", cerrojo::DigestMd2},
                                           VecCase{"md4.vec", cerrojo::DigestMd4},
                                           VecCase{"md5.vec", cerrojo::DigestMd5},
                                           VecCase{"sha0.vec", cerrojo::DigestSha0},
                                           VecCase{"sha1.vec", cerrojo::DigestSha1}),
                         [](const ::testing::TestParamInfo<VecCase>& info) {
                             const std::string file = info.param.file;
                             return file.substr(0, file.find('.'));
                         });

TEST(Digest, AgreesWithOpenSslOnEveryLengthUpToFiveBlocks) {
    const Bytes m = Pattern(320, 7);
    for (std::size_t n = 0; n <= m.size(); ++n) {
        const Bytes part(m.begin(), m.begin() + std::ptrdiff_t(n));
        ASSERT_EQ(OneShot(cerrojo::DigestMd4, part), OpenSslDigest("MD4", part)) << n;
        ASSERT_EQ(OneShot(cerrojo::DigestMd5, part), OpenSslDigest("MD5", part)) << n;
        ASSERT_EQ(OneShot(cerrojo::DigestSha1, part), OpenSslDigest("SHA1", part)) << n;
    }
}

// Every two-piece split of messages around the block edges, three-piece splits
// of a multi-block message, one byte at a time and empty updates in between
// all give the one-shot digest.
TEST(Digest, PiecesGiveTheOneShotDigest) {
    for (DigestId id : kAllIds) {
        SCOPED_TRACE(id);
        for (std::size_t n : {1, 15, 16, 17, 31, 32, 55, 56, 63, 64, 65, 127, 128, 129, 200}) {
            const Bytes m = Pattern(n, unsigned(n));
            const Bytes whole = OneShot(id, m);
            for (std::size_t i = 0; i <= n; ++i) ASSERT_EQ(InPieces(id, m, {i}), whole) << n << " at " << i;
            ASSERT_EQ(InPieces(id, m, std::vector<std::size_t>(n - 1, 1)), whole) << n;
            ASSERT_EQ(InPieces(id, m, {0, 0, n / 2, 0, 0}), whole) << n;
        }
        const Bytes m = Pattern(300, 3);
        const Bytes whole = OneShot(id, m);
        const std::size_t cuts[] = {1, 15, 16, 55, 56, 63, 64, 65};
        for (std::size_t a : cuts)
            for (std::size_t b : cuts) ASSERT_EQ(InPieces(id, m, {a, b, 0, b}), whole) << a << "," << b;
    }
}

TEST(Digest, EmptyMessageGivesTheStandardDigest) {
    // The vector files hold the empty message for every algorithm; here a null
    // pointer with a zero length must be accepted too.
    const char* expected[] = {"8350e5a3e24c153df2275c9f80692773", "f96cea198ad1dd5617ac084a3d92c6107708c0ef",
                              "31d6cfe0d16ae931b73c59d7e0c089c0", "d41d8cd98f00b204e9800998ecf8427e",
                              "da39a3ee5e6b4b0d3255bfef95601890afd80709"};
    for (int i = 0; i < 5; ++i) {
        std::uint8_t out[20];
        std::uint32_t outLen = 0;
        ASSERT_EQ(cerrojo::ComputeDigest(out, &outLen, nullptr, 0, kAllIds[i]), 0);
        EXPECT_EQ(ToHex(out, outLen), expected[i]);
    }
}

TEST(Digest, ContextReusedAfterInitGivesTheSameDigest) {
    const Bytes m = Pattern(150);
    for (DigestId id : kAllIds) {
        DigestContext ctx;
        Bytes first(20), second(20);
        std::uint32_t len1 = 0, len2 = 0;
        ASSERT_EQ(cerrojo::DigestInit(&ctx, id), 0);
        ASSERT_EQ(cerrojo::DigestUpdate(&ctx, m.data(), 70), 0);
        ASSERT_EQ(cerrojo::DigestUpdate(&ctx, m.data() + 70, 80), 0);
        ASSERT_EQ(cerrojo::DigestFinal(&ctx, first.data(), &len1), 0);
        ASSERT_EQ(cerrojo::DigestInit(&ctx, id), 0);
        ASSERT_EQ(cerrojo::DigestUpdate(&ctx, m.data(), 150), 0);
        ASSERT_EQ(cerrojo::DigestFinal(&ctx, second.data(), &len2), 0);
        EXPECT_EQ(first, second) << id;
        EXPECT_EQ(first, [&] { Bytes w = OneShot(id, m); w.resize(20); return w; }()) << id;
    }
}

TEST(Digest, FinalWipesTheAlgorithmState) {
    const Bytes m = Pattern(100);
    for (DigestId id : kAllIds) {
        DigestContext ctx;
        std::memset(&ctx, 0xA5, sizeof(ctx));
        ASSERT_EQ(cerrojo::DigestInit(&ctx, id), 0);
        ASSERT_EQ(cerrojo::DigestUpdate(&ctx, m.data(), 100), 0);
        std::uint8_t out[20];
        std::uint32_t outLen = 0;
        ASSERT_EQ(cerrojo::DigestFinal(&ctx, out, &outLen), 0);
        const std::size_t size = id == cerrojo::DigestMd2 ? sizeof(cerrojo::Md2Context)
                                 : (id == cerrojo::DigestMd4 || id == cerrojo::DigestMd5)
                                     ? sizeof(cerrojo::Md5Context)
                                     : sizeof(cerrojo::ShaContext);
        const auto* state = reinterpret_cast<const std::uint8_t*>(&ctx.state);
        for (std::size_t i = 0; i < size; ++i) ASSERT_EQ(state[i], 0) << id << " byte " << i;
    }
}

TEST(Digest, DirectMd5IsTheSelectorsMd5) {
    const Bytes m = Pattern(777);
    cerrojo::Md5Context ctx;
    cerrojo::Md5Init(&ctx);
    cerrojo::Md5Update(&ctx, m.data(), 300);
    cerrojo::Md5Update(&ctx, m.data() + 300, 477);
    std::uint8_t out[16];
    cerrojo::Md5Final(out, &ctx);
    EXPECT_EQ(Bytes(out, out + 16), OneShot(cerrojo::DigestMd5, m));
    const auto* raw = reinterpret_cast<const std::uint8_t*>(&ctx);
    for (std::size_t i = 0; i < sizeof(ctx); ++i) ASSERT_EQ(raw[i], 0) << i;
}

// The bit count crosses 2^32 during the update, so the high word must take the
// carry and the final length block must carry it. OpenSSL's low-level contexts
// keep the same two count words, so they can be preset the same way.
TEST(Digest, BitCountCarriesIntoTheHighWord) {
    const Bytes m = Pattern(200, 9);
    const std::uint32_t seeds[][2] = {{0xFFFFFE00u, 0}, {0xFFFFFC00u, 0x7FFFFFFFu}};
    for (const auto& s : seeds) {
        for (std::vector<std::size_t> cuts : {std::vector<std::size_t>{}, {1, 63, 64}, {70}}) {
            auto ours = [&](DigestId id) {
                DigestContext ctx;
                EXPECT_EQ(cerrojo::DigestInit(&ctx, id), 0);
                std::uint32_t* count = id == cerrojo::DigestSha1 ? ctx.state.sha.count : ctx.state.md5.count;
                count[0] = s[0];
                count[1] = s[1];
                std::size_t at = 0;
                for (std::size_t c : cuts) {
                    cerrojo::DigestUpdate(&ctx, m.data() + at, std::uint32_t(c));
                    at += c;
                }
                cerrojo::DigestUpdate(&ctx, m.data() + at, std::uint32_t(m.size() - at));
                EXPECT_EQ(count[1], s[1] + 1);
                Bytes out(20);
                std::uint32_t outLen = 0;
                cerrojo::DigestFinal(&ctx, out.data(), &outLen);
                out.resize(outLen);
                return out;
            };
            Bytes expect(20);
            MD5_CTX md5;
            MD5_Init(&md5);
            md5.Nl = s[0];
            md5.Nh = s[1];
            MD5_Update(&md5, m.data(), m.size());
            MD5_Final(expect.data(), &md5);
            EXPECT_EQ(ours(cerrojo::DigestMd5), Bytes(expect.begin(), expect.begin() + 16));
            MD4_CTX md4;
            MD4_Init(&md4);
            md4.Nl = s[0];
            md4.Nh = s[1];
            MD4_Update(&md4, m.data(), m.size());
            MD4_Final(expect.data(), &md4);
            EXPECT_EQ(ours(cerrojo::DigestMd4), Bytes(expect.begin(), expect.begin() + 16));
            SHA_CTX sha;
            SHA1_Init(&sha);
            sha.Nl = s[0];
            sha.Nh = s[1];
            SHA1_Update(&sha, m.data(), m.size());
            SHA1_Final(expect.data(), &sha);
            EXPECT_EQ(ours(cerrojo::DigestSha1), expect);
        }
    }
    // SHA-0 has no second implementation at hand: its records were derived once.
    for (const auto& r : testsupport::ReadVecFile("sha0.vec")) {
        if (r.section != "Seeded count") continue;
        const Bytes in = r.Hex("In");
        DigestContext ctx;
        ASSERT_EQ(cerrojo::DigestInit(&ctx, cerrojo::DigestSha0), 0);
        ctx.state.sha.count[0] = std::uint32_t(r.Number("CountLow"));
        ctx.state.sha.count[1] = std::uint32_t(r.Number("CountHigh"));
        ASSERT_EQ(cerrojo::DigestUpdate(&ctx, in.data(), 100), 0);
        ASSERT_EQ(cerrojo::DigestUpdate(&ctx, in.data() + 100, std::uint32_t(in.size() - 100)), 0);
        std::uint8_t out[20];
        std::uint32_t outLen = 0;
        ASSERT_EQ(cerrojo::DigestFinal(&ctx, out, &outLen), 0);
        EXPECT_EQ(ToHex(out, outLen), r.Text("Out")) << "line " << r.line;
    }
}

// One update of more than 2^29 bytes: len * 8 does not fit in 32 bits, and
// the high word must take len >> 29 (here without any wrap of the low word).
// The bytes are untouched anonymous pages, so they cost no memory.
TEST(Digest, SingleUpdateOfMoreThan512MiBCountsItsHighBits) {
    if (testsupport::kSanitized) GTEST_SKIP() << "half a gigabyte is too slow under the sanitizers";
    for (const auto& r : testsupport::ReadVecFile("md5.vec")) {
        if (r.section != "Single call") continue;
        const std::size_t n = std::size_t(r.Number("Zeros"));
        void* zeros = mmap(nullptr, n, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
        ASSERT_NE(zeros, MAP_FAILED);
        std::uint8_t out[20];
        std::uint32_t outLen = 0;
        EXPECT_EQ(cerrojo::ComputeDigest(out, &outLen, static_cast<const std::uint8_t*>(zeros),
                                         std::uint32_t(n), cerrojo::DigestMd5),
                  0);
        EXPECT_EQ(ToHex(out, outLen), r.Text("Out"));
        munmap(zeros, n);
    }
}

TEST(Digest, UnknownIdsFailEverywhereAndTouchNothing) {
    const std::uint8_t data[3] = {'a', 'b', 'c'};
    for (DigestId id : {0u, 1u, 7u, 8u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(id);
        DigestContext ctx;
        std::memset(&ctx, 0x5C, sizeof(ctx));
        EXPECT_EQ(cerrojo::DigestInit(&ctx, id), cerrojo::StatusUnknownDigest);
        EXPECT_EQ(ctx.id, id);
        DigestContext before;
        std::memcpy(&before, &ctx, sizeof(ctx));
        EXPECT_EQ(cerrojo::DigestUpdate(&ctx, data, 3), cerrojo::StatusUnknownDigest);
        EXPECT_EQ(std::memcmp(&before, &ctx, sizeof(ctx)), 0);

        std::uint8_t out[20];
        std::memset(out, 0xEE, sizeof(out));
        std::uint32_t outLen = 99;
        EXPECT_EQ(cerrojo::DigestFinal(&ctx, out, &outLen), cerrojo::StatusUnknownDigest);
        EXPECT_EQ(outLen, 16u);
        for (std::uint8_t b : out) EXPECT_EQ(b, 0xEE);

        outLen = 99;
        EXPECT_EQ(cerrojo::ComputeDigest(out, &outLen, data, 3, id), cerrojo::StatusUnknownDigest);
        EXPECT_EQ(outLen, 99u);
        for (std::uint8_t b : out) EXPECT_EQ(b, 0xEE);
    }
}

}  // namespace
