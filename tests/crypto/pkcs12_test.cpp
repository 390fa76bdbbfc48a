// HMAC-SHA1 against RFC 2202; the PKCS#12 derivation and its BMPString
// password against OpenSSL's libcrypto (no standard publishes vectors for the
// derivation). pbeWithSHAAnd3-KeyTripleDES-CBC is checked where it is used:
// OpenSSL and GnuTLS decrypt both bags of a .pfx (tests/der/pfx_test.cpp).
#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/pkcs12.h>

#include <cstring>
#include <string>

#include "crypto/hmac.h"
#include "crypto/pkcs12.h"
#include "support/testdata.h"
#include "text/cp1252.h"

namespace {

using testsupport::Bytes;
using testsupport::ToHex;

std::uint32_t Size(const Bytes& b) {
    return static_cast<std::uint32_t>(b.size());
}

// The seven cases, one shot and fed in two pieces; the context is left wiped.
TEST(HmacSha1, MatchesRfc2202) {
    const auto records = testsupport::ReadVecFile("hmac_sha1.vec");
    ASSERT_EQ(records.size(), 7u);
    for (const auto& r : records) {
        SCOPED_TRACE("line " + std::to_string(r.line));
        const Bytes key = r.Hex("Key"), data = r.Hex("Data");
        std::uint8_t out[20];
        cerrojo::HmacSha1(out, key.data(), Size(key), data.data(), Size(data));
        EXPECT_EQ(ToHex(out, 20), r.Text("Out"));
        cerrojo::HmacSha1Context context;
        cerrojo::HmacSha1Init(&context, key.data(), Size(key));
        cerrojo::HmacSha1Update(&context, data.data(), 3);
        cerrojo::HmacSha1Update(&context, data.data() + 3, Size(data) - 3);
        std::memset(out, 0, sizeof(out));
        cerrojo::HmacSha1Final(out, &context);
        EXPECT_EQ(ToHex(out, 20), r.Text("Out"));
        const auto* raw = reinterpret_cast<const std::uint8_t*>(&context);
        for (std::size_t i = 0; i < sizeof(context); ++i) ASSERT_EQ(raw[i], 0) << i;
    }
}

// Every Windows-1252 byte, through UTF-8 and OpenSSL's UTF-8 to BMPString
// conversion (which adds the terminator the derivation takes).
TEST(Pkcs12, BmpStringOfEveryWindows1252Byte) {
    std::string text;
    for (int b = 1; b < 256; ++b) text.push_back(static_cast<char>(b));
    const std::string utf8 = petitora::Cp1252ToUtf8(text);
    unsigned char* bmp = nullptr;
    int bmpLength = 0;
    ASSERT_NE(OPENSSL_utf82uni(utf8.c_str(), static_cast<int>(utf8.size()), &bmp, &bmpLength),
              nullptr);
    Bytes ours(2 * text.size() + 2, 0);
    cerrojo::Pkcs12BmpString(ours.data(), reinterpret_cast<const std::uint8_t*>(text.data()),
                             static_cast<std::uint32_t>(text.size()));
    EXPECT_EQ(ToHex(ours), ToHex(bmp, static_cast<std::size_t>(bmpLength)));
    OPENSSL_free(bmp);
}

// The derivation for each purpose against PKCS12_key_gen_uni: outputs of one
// to three digests (the I-block update between them), salts and passwords of
// zero to several 64-byte blocks, one and many iterations. Lengths past the
// bounds are refused with nothing written.
TEST(Pkcs12, DeriveKeyAgreesWithOpenSsl) {
    Bytes password(cerrojo::kPkcs12MaxPasswordLength), salt(cerrojo::kPkcs12MaxSaltLength);
    for (std::size_t i = 0; i < password.size(); ++i) password[i] = std::uint8_t(i * 7 + 1);
    for (std::size_t i = 0; i < salt.size(); ++i) salt[i] = std::uint8_t(0xF0 - i * 3);
    struct Case {
        std::uint32_t passwordLength, saltLength, iterations, outLength;
    };
    const Case cases[] = {{2, 8, 1, 24},   {0, 8, 1, 20},    {18, 0, 2, 8},    {18, 8, 2048, 24},
                          {64, 20, 3, 41}, {130, 63, 1, 60}, {512, 64, 1, 40}, {26, 64, 1000, 20}};
    for (const Case& c : cases) {
        for (std::uint8_t id :
             {cerrojo::kPkcs12KeyId, cerrojo::kPkcs12IvId, cerrojo::kPkcs12MacId}) {
            SCOPED_TRACE(testing::Message()
                         << "password " << c.passwordLength << " salt " << c.saltLength << " r "
                         << c.iterations << " n " << c.outLength << " id " << int{id});
            Bytes expected(c.outLength), ours(c.outLength);
            ASSERT_EQ(PKCS12_key_gen_uni(
                          password.data(), static_cast<int>(c.passwordLength), salt.data(),
                          static_cast<int>(c.saltLength), id, static_cast<int>(c.iterations),
                          static_cast<int>(c.outLength), expected.data(), EVP_sha1()),
                      1);
            ASSERT_EQ(
                cerrojo::Pkcs12DeriveKey(ours.data(), c.outLength, id, password.data(),
                                         c.passwordLength, salt.data(), c.saltLength, c.iterations),
                0);
            EXPECT_EQ(ToHex(ours), ToHex(expected));
        }
    }
    password.push_back(0);
    salt.push_back(0);
    Bytes out(8, 0xEE);
    EXPECT_EQ(cerrojo::Pkcs12DeriveKey(out.data(), 8, 1, password.data(), Size(password),
                                       salt.data(), 8, 1),
              cerrojo::StatusBadLength);
    EXPECT_EQ(
        cerrojo::Pkcs12DeriveKey(out.data(), 8, 1, password.data(), 2, salt.data(), Size(salt), 1),
        cerrojo::StatusBadLength);
    EXPECT_EQ(ToHex(out), "eeeeeeeeeeeeeeee");
}

}  // namespace
