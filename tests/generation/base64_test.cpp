// Base64 against RFC 4648's vectors and OpenSSL's encoder, and the capacity rules.
#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <cstring>
#include <string>

#include "generation/base64.h"
#include "support/testdata.h"

namespace {

using testsupport::Bytes;

std::string OpenSslBase64(const Bytes& in) {
    std::string out(4 * ((in.size() + 2) / 3) + 1, '\0');
    const int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()), in.data(), int(in.size()));
    out.resize(std::size_t(n));
    return out;
}

// Encodes into an area of the given capacity, pre-filled with 0x7E.
bool Encode(const Bytes& in, std::uint16_t capacity, Bytes& area, std::uint16_t& length) {
    area.assign(capacity, 0x7E);
    length = capacity;
    return petitora::Base64Encode(in.data(), std::uint16_t(in.size()), area.data(), &length);
}

TEST(Base64, Rfc4648Vectors) {
    for (const auto& r : testsupport::ReadVecFile("base64.vec")) {
        const Bytes in = r.Hex("In");
        const std::string& expected = r.Text("Out");
        Bytes area;
        std::uint16_t length = 0;
        ASSERT_TRUE(Encode(in, std::uint16_t(expected.size()), area, length)) << expected;
        EXPECT_EQ(length, expected.size());
        EXPECT_EQ(std::string(area.begin(), area.end()), expected);
    }
}

TEST(Base64, AgreesWithOpenSslAndNeedsExactlyTheEncodedLength) {
    for (std::size_t n = 1; n <= 200; ++n) {
        Bytes in(n);
        for (std::size_t i = 0; i < n; ++i) in[i] = std::uint8_t(i * 97 + n * 31 + (i >> 2));
        const std::string expected = OpenSslBase64(in);
        const std::uint16_t encoded = petitora::Base64EncodedLength(std::uint16_t(n));
        ASSERT_EQ(encoded, expected.size()) << n;

        Bytes area;
        std::uint16_t length = 0;
        ASSERT_FALSE(Encode(in, std::uint16_t(encoded - 1), area, length)) << n;  // one short
        EXPECT_EQ(length, encoded - 1);
        for (std::uint8_t b : area) ASSERT_EQ(b, 0x7E);

        ASSERT_TRUE(Encode(in, encoded, area, length)) << n;  // exactly enough, no terminator
        EXPECT_EQ(length, encoded);
        EXPECT_EQ(std::string(area.begin(), area.end()), expected);
    }
}

TEST(Base64, SixteenByteDigestInAZeroedThirtyFiveByteArea) {
    const Bytes digest = testsupport::FromHex("d41d8cd98f00b204e9800998ecf8427e");
    std::uint8_t area[35] = {};
    std::uint16_t length = 35;
    ASSERT_TRUE(petitora::Base64Encode(digest.data(), 16, area, &length));
    EXPECT_EQ(length, 24);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(area)), "1B2M2Y8AsgTpgAmY7PhCfg==");
    for (int i = 24; i < 35; ++i) EXPECT_EQ(area[i], 0) << i;
}

TEST(Base64, EmptyInputIsRefused) {
    std::uint8_t area[8];
    std::memset(area, 0x7E, sizeof(area));
    std::uint16_t length = 8;
    EXPECT_EQ(petitora::Base64EncodedLength(0), 0);
    EXPECT_FALSE(petitora::Base64Encode(area, 0, area, &length));
    EXPECT_EQ(length, 8);
    for (std::uint8_t b : area) EXPECT_EQ(b, 0x7E);
}

// The encoded length of more than 49149 bytes does not fit in 16 bits; such
// inputs are refused instead of being checked against a wrapped length.
TEST(Base64, InputsWhoseLengthCannotBeCountedAreRefused) {
    EXPECT_EQ(petitora::Base64EncodedLength(49149), 65532);
    EXPECT_EQ(petitora::Base64EncodedLength(49150), 0);       // 65536 truncated
    EXPECT_EQ(petitora::Base64EncodedLength(49153), 4);       // 65540 truncated
    EXPECT_EQ(petitora::Base64EncodedLength(65535), 21844);   // 87380 truncated

    Bytes big(49153);
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = std::uint8_t(i * 7);
    Bytes area;
    std::uint16_t length = 0;
    EXPECT_FALSE(Encode(big, 4, area, length));  // would pass a wrapped capacity test
    EXPECT_EQ(length, 4);
    for (std::uint8_t b : area) EXPECT_EQ(b, 0x7E);
    big.resize(49150);
    EXPECT_FALSE(Encode(big, 65535, area, length));
    EXPECT_EQ(length, 65535);
    for (std::uint8_t b : area) ASSERT_EQ(b, 0x7E);

    big.resize(49149);  // the largest input still encodes
    ASSERT_TRUE(Encode(big, 65535, area, length));
    EXPECT_EQ(length, 65532);
    EXPECT_EQ(std::string(area.begin(), area.begin() + 65532), OpenSslBase64(big));
    for (std::size_t i = 65532; i < 65535; ++i) EXPECT_EQ(area[i], 0x7E);
}

}  // namespace
