// SHA-256 against the published vectors and against OpenSSL's libcrypto.
#include <gtest/gtest.h>
#include <openssl/sha.h>

#include <cstring>
#include <string>

#include "crypto/digest.h"
#include "support/testdata.h"

namespace {

using testsupport::Bytes;
using testsupport::ToHex;

// Feeds m in two pieces, the first cut bytes long.
std::string Sha256(const Bytes& m, std::size_t cut) {
    cerrojo::Sha256Context context;
    cerrojo::Sha256Init(&context);
    cerrojo::Sha256Update(&context, m.data(), std::uint32_t(cut));
    cerrojo::Sha256Update(&context, m.data() + cut, std::uint32_t(m.size() - cut));
    std::uint8_t out[cerrojo::kSha256Length];
    cerrojo::Sha256Final(out, &context);
    const auto* raw = reinterpret_cast<const std::uint8_t*>(&context);
    for (std::size_t i = 0; i < sizeof(context); ++i) EXPECT_EQ(raw[i], 0) << "context byte " << i;
    return ToHex(out, sizeof(out));
}

// FIPS 180-4's examples, the empty and the 896-bit messages; the million "a"
// go in chunks of 1000 (not a block multiple).
TEST(Sha256, MatchesPublishedDigests) {
    const auto records = testsupport::ReadVecFile("sha256.vec");
    ASSERT_EQ(records.size(), 5u);
    for (const auto& r : records) {
        SCOPED_TRACE("line " + std::to_string(r.line));
        const Bytes in = r.Hex("In");
        if (!r.Has("Repeat")) {
            EXPECT_EQ(Sha256(in, in.size() / 2), r.Text("Out"));
            continue;
        }
        Bytes chunk;
        for (int i = 0; i < 1000; ++i) chunk.insert(chunk.end(), in.begin(), in.end());
        cerrojo::Sha256Context context;
        cerrojo::Sha256Init(&context);
        for (std::uint64_t done = 0; done < r.Number("Repeat"); done += 1000)
            cerrojo::Sha256Update(&context, chunk.data(), std::uint32_t(chunk.size()));
        std::uint8_t out[32];
        cerrojo::Sha256Final(out, &context);
        EXPECT_EQ(ToHex(out, 32), r.Text("Out"));
    }
}

// Every length over five blocks (the padding's one- and two-block cases, 55
// and 56 bytes mod 64, included), cut at every place for the short ones.
TEST(Sha256, AgreesWithOpenSslOnEveryLengthAndCut) {
    Bytes m(320);
    for (std::size_t i = 0; i < m.size(); ++i) m[i] = std::uint8_t(i * 151 + 7);
    for (std::size_t n = 0; n <= m.size(); ++n) {
        const Bytes part(m.begin(), m.begin() + std::ptrdiff_t(n));
        std::uint8_t expected[SHA256_DIGEST_LENGTH];
        SHA256(part.data(), part.size(), expected);
        for (std::size_t cut = 0; cut <= n; cut += n <= 130 ? 1 : 61)
            ASSERT_EQ(Sha256(part, cut), ToHex(expected, sizeof(expected))) << n << " cut " << cut;
    }
}

}  // namespace
