#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/objects.h>
#include <openssl/x509.h>

#include <cstring>
#include <random>
#include <string>

#include "crypto/des.h"
#include "crypto/digest.h"
#include "crypto/pbe.h"
#include "support/openssl_legacy.h"
#include "support/testdata.h"

namespace {

using cerrojo::ByteSpan;
using testsupport::Bytes;
using testsupport::FromText;
using testsupport::ToHex;

struct PbeOutput {
    std::uint32_t result = 0;
    Bytes salt;
    Bytes ciphertext;  // the whole output area
    Bytes storage;     // the plaintext's storage after the call
};

PbeOutput Encrypt(const Bytes& plain, const std::string& password, cerrojo::AlgorithmId algorithm,
                  std::uint32_t iterations) {
    PbeOutput out;
    out.storage = plain;
    out.storage.resize(plain.size() + 8, 0xCC);
    out.ciphertext.assign(plain.size() + 8, 0xEE);
    out.salt.assign(8, 0xAA);
    ByteSpan p{out.storage.data(), static_cast<std::uint32_t>(plain.size())};
    ByteSpan c{out.ciphertext.data(), 0xDEADBEEF};
    out.result = cerrojo::PbeEncrypt(&p, &c, algorithm, iterations, out.salt.data(),
                                     reinterpret_cast<const std::uint8_t*>(password.data()),
                                     static_cast<std::uint32_t>(password.size()));
    EXPECT_EQ(p.length, plain.size()) << "the plaintext length must not change";
    EXPECT_EQ(c.length, out.result ? out.result : 0xDEADBEEF);
    if (out.result) {
        EXPECT_EQ(out.result, (plain.size() / 8 + 1) * 8);
    }
    return out;
}

Bytes Padded(const Bytes& plain) {
    Bytes b = plain;
    const std::size_t pad = 8 - plain.size() % 8;
    b.insert(b.end(), pad, static_cast<std::uint8_t>(pad));
    return b;
}

// Standard PBES1 by OpenSSL (pbeWithMD5AndDES-CBC parameters,
// PKCS5_PBE_keyivgen), encrypting (enc 1) or decrypting (enc 0). With
// padding, OpenSSL adds the PKCS#5 padding, or removes and checks it;
// without, the data must be whole blocks and are taken as they are.
bool OpenSslPbe(int enc, const Bytes& in, const std::string& password, const Bytes& salt,
                int iterations, bool padding, Bytes* result) {
    EXPECT_TRUE(testsupport::LoadLegacyProviders());
    X509_ALGOR* algor = PKCS5_pbe_set(NID_pbeWithMD5AndDES_CBC, iterations, salt.data(),
                                      static_cast<int>(salt.size()));
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    Bytes out(in.size() + 8);
    int n1 = 0, n2 = 0;
    const bool ok =
        algor && ctx &&
        PKCS5_PBE_keyivgen(ctx, password.data(), static_cast<int>(password.size()),
                           algor->parameter, EVP_des_cbc(), EVP_md5(), enc) == 1 &&
        EVP_CIPHER_CTX_set_padding(ctx, padding ? 1 : 0) == 1 &&
        EVP_CipherUpdate(ctx, out.data(), &n1, in.data(), static_cast<int>(in.size())) == 1 &&
        EVP_CipherFinal_ex(ctx, out.data() + n1, &n2) == 1;
    EVP_CIPHER_CTX_free(ctx);
    X509_ALGOR_free(algor);
    out.resize(ok ? static_cast<std::size_t>(n1 + n2) : 0);
    *result = out;
    return ok;
}

// With strip, OpenSSL removes and checks the padding.
bool OpenSslPbeDecrypt(const Bytes& ciphertext, const std::string& password, const Bytes& salt,
                       int iterations, bool strip, Bytes* plain) {
    return OpenSslPbe(0, ciphertext, password, salt, iterations, strip, plain);
}

Bytes OpenSslMd5(const Bytes& a, const Bytes& b) {
    Bytes in = a;
    in.insert(in.end(), b.begin(), b.end());
    Bytes out(16);
    unsigned int n = 0;
    EXPECT_EQ(EVP_Digest(in.data(), in.size(), out.data(), &n, EVP_md5(), nullptr), 1);
    return out;
}

// The salt is MD5(password || plaintext) and a standard PBES1 reader recovers
// the plaintext, for the padding lengths and several iteration counts.
TEST(PbeEncrypt, Md5OutputDecryptsWithOpenSsl) {
    std::mt19937 rng(105);
    const std::string password =
        "Contrase\xF1"
        "a de acceso 2026";
    for (std::size_t size : {0u, 1u, 7u, 8u, 9u, 15u, 16u, 1217u}) {
        for (std::uint32_t iterations : {1u, 2u, 5u, 1000u}) {
            SCOPED_TRACE("size " + std::to_string(size) + ", iterations " +
                         std::to_string(iterations));
            Bytes plain(size);
            for (auto& b : plain) b = static_cast<std::uint8_t>(rng());
            const PbeOutput out =
                Encrypt(plain, password, cerrojo::kPbeWithMd5AndDesCbc, iterations);
            ASSERT_NE(out.result, 0u);
            EXPECT_EQ(ToHex(out.salt), ToHex(OpenSslMd5(FromText(password), plain)).substr(0, 16));
            // The padding went into the plaintext's own storage.
            EXPECT_EQ(ToHex(Bytes(out.storage.begin(), out.storage.begin() + out.result)),
                      ToHex(Padded(plain)));
            const Bytes ciphertext(out.ciphertext.begin(), out.ciphertext.begin() + out.result);

            Bytes raw, stripped;
            ASSERT_TRUE(OpenSslPbeDecrypt(ciphertext, password, out.salt,
                                          static_cast<int>(iterations), false, &raw));
            EXPECT_EQ(ToHex(raw), ToHex(Padded(plain)));
            ASSERT_TRUE(OpenSslPbeDecrypt(ciphertext, password, out.salt,
                                          static_cast<int>(iterations), true, &stripped));
            EXPECT_EQ(ToHex(stripped), ToHex(plain));
            // Nothing written past the ciphertext.
            for (std::size_t i = out.result; i < out.ciphertext.size(); ++i) {
                ASSERT_EQ(out.ciphertext[i], 0xEE);
            }
        }
    }
}

TEST(PbeEncrypt, PaddingLengths) {
    const std::string password = "12345678";
    const struct {
        std::size_t size;
        std::uint32_t expected;
        std::uint8_t padByte;
    } cases[] = {{0, 8, 8}, {7, 8, 1}, {8, 16, 8}, {15, 16, 1}};
    for (const auto& c : cases) {
        const Bytes plain(c.size, 'k');
        const PbeOutput out = Encrypt(plain, password, cerrojo::kPbeWithMd5AndDesCbc, 1);
        ASSERT_EQ(out.result, c.expected) << c.size;
        EXPECT_EQ(out.storage[c.expected - 1], c.padByte) << c.size;
        EXPECT_EQ(out.storage[c.size], c.padByte) << c.size;
        // Bytes of the storage behind the padding are untouched.
        for (std::size_t i = c.expected; i < out.storage.size(); ++i) {
            EXPECT_EQ(out.storage[i], 0xCC) << c.size;
        }
    }
}

TEST(PbeEncrypt, IterationCountsZeroAndOneAgreeAndOutputIsDeterministic) {
    const Bytes plain = FromText("0\x82\x04\xbd private key stand-in");
    const PbeOutput zero = Encrypt(plain, "password", cerrojo::kPbeWithMd5AndDesCbc, 0);
    const PbeOutput one = Encrypt(plain, "password", cerrojo::kPbeWithMd5AndDesCbc, 1);
    const PbeOutput again = Encrypt(plain, "password", cerrojo::kPbeWithMd5AndDesCbc, 1);
    const PbeOutput two = Encrypt(plain, "password", cerrojo::kPbeWithMd5AndDesCbc, 2);
    ASSERT_NE(zero.result, 0u);
    EXPECT_EQ(ToHex(zero.salt), ToHex(one.salt));
    EXPECT_EQ(ToHex(zero.ciphertext), ToHex(one.ciphertext));
    EXPECT_EQ(ToHex(again.salt), ToHex(one.salt));
    EXPECT_EQ(ToHex(again.ciphertext), ToHex(one.ciphertext));
    EXPECT_EQ(ToHex(two.salt), ToHex(one.salt));  // the salt does not depend on the count
    EXPECT_NE(ToHex(two.ciphertext), ToHex(one.ciphertext));

    // One plaintext byte changes the salt; another password changes it too.
    Bytes changed = plain;
    changed.back() ^= 0x01;
    EXPECT_NE(ToHex(Encrypt(changed, "password", cerrojo::kPbeWithMd5AndDesCbc, 1).salt),
              ToHex(one.salt));
    EXPECT_NE(ToHex(Encrypt(plain, "passwore", cerrojo::kPbeWithMd5AndDesCbc, 1).salt),
              ToHex(one.salt));
}

// OpenSSL 3 has no MD2, so pbeWithMD2AndDES-CBC is checked by deriving the
// salt, key and IV with the library's MD2 (tested on its own against RFC 1319)
// and decrypting with OpenSSL's DES-CBC.
TEST(PbeEncrypt, Md2DerivationDecryptsWithOpenSslDes) {
    EXPECT_TRUE(testsupport::LoadLegacyProviders());
    const std::string password = "otra clave";
    const Bytes pw = FromText(password);
    const Bytes plain = FromText("texto de prueba de 29 octetos");
    const std::uint32_t iterations = 3;
    const PbeOutput out = Encrypt(plain, password, cerrojo::kPbeWithMd2AndDesCbc, iterations);
    ASSERT_EQ(out.result, 32u);

    auto md2 = [](const Bytes& data) {
        std::uint8_t digest[cerrojo::kMaxDigestLength];
        std::uint32_t length = 0;
        EXPECT_EQ(
            cerrojo::ComputeDigest(digest, &length, data.data(),
                                   static_cast<std::uint32_t>(data.size()), cerrojo::DigestMd2),
            0);
        return Bytes(digest, digest + length);
    };
    Bytes concat = pw;
    concat.insert(concat.end(), plain.begin(), plain.end());
    EXPECT_EQ(ToHex(out.salt), ToHex(md2(concat)).substr(0, 16));
    Bytes t = pw;
    t.insert(t.end(), out.salt.begin(), out.salt.end());
    t = md2(t);
    for (std::uint32_t i = 1; i < iterations; ++i) t = md2(t);

    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    Bytes decrypted(48);
    int n1 = 0, n2 = 0;
    ASSERT_EQ(EVP_DecryptInit_ex(ctx, EVP_des_cbc(), nullptr, t.data(), t.data() + 8), 1);
    ASSERT_EQ(EVP_DecryptUpdate(ctx, decrypted.data(), &n1, out.ciphertext.data(), 32), 1);
    ASSERT_EQ(EVP_DecryptFinal_ex(ctx, decrypted.data() + n1, &n2), 1);
    EVP_CIPHER_CTX_free(ctx);
    decrypted.resize(static_cast<std::size_t>(n1 + n2));
    EXPECT_EQ(ToHex(decrypted), ToHex(plain));
    // MD2 and MD5 give different outputs for the same input.
    EXPECT_NE(ToHex(Encrypt(plain, password, cerrojo::kPbeWithMd5AndDesCbc, iterations).salt),
              ToHex(out.salt));
}

TEST(PbeEncrypt, OtherAlgorithmsFailWithoutOutput) {
    const Bytes plain = FromText("some key bytes");
    for (cerrojo::AlgorithmId algorithm : {106u, 100u, 5u, 0u, 107u}) {
        const PbeOutput out = Encrypt(plain, "password", algorithm, 1);
        EXPECT_EQ(out.result, 0u) << algorithm;  // Encrypt checks the length is untouched
        EXPECT_EQ(ToHex(out.ciphertext), ToHex(Bytes(plain.size() + 8, 0xEE)));
        EXPECT_EQ(ToHex(out.salt), ToHex(Bytes(8, 0xAA)));
    }
}

// The ciphertext may overwrite the plaintext's storage.
TEST(PbeEncrypt, InPlace) {
    const Bytes plain = FromText("in place: plaintext and ciphertext share storage");
    const PbeOutput separate = Encrypt(plain, "password", cerrojo::kPbeWithMd5AndDesCbc, 7);
    Bytes storage = plain;
    storage.resize(plain.size() + 8);
    ByteSpan p{storage.data(), static_cast<std::uint32_t>(plain.size())};
    ByteSpan c{storage.data(), 0};
    std::uint8_t salt[8];
    const std::uint32_t n =
        cerrojo::PbeEncrypt(&p, &c, cerrojo::kPbeWithMd5AndDesCbc, 7, salt,
                            reinterpret_cast<const std::uint8_t*>("password"), 8);
    ASSERT_EQ(n, separate.result);
    EXPECT_EQ(ToHex(storage.data(), n), ToHex(separate.ciphertext.data(), n));
    EXPECT_EQ(ToHex(salt, 8), ToHex(separate.salt));
}

// --- PbeDecrypt ---------------------------------------------------------------

// With pad, OpenSSL adds the PKCS#5 padding.
Bytes OpenSslPbeEncrypt(const Bytes& data, const std::string& password, const Bytes& salt,
                        int iterations, bool pad) {
    Bytes out;
    EXPECT_TRUE(OpenSslPbe(1, data, password, salt, iterations, pad, &out));
    return out;
}

struct Decrypted {
    int status = -1;
    std::uint32_t length = 0xDEADBEEF;  // untouched unless the status is 0
    Bytes area;                         // the whole output area after the call
};

Decrypted Decrypt(const Bytes& ciphertext, const std::string& password, const Bytes& salt,
                  std::uint32_t iterations,
                  cerrojo::AlgorithmId algorithm = cerrojo::kPbeWithMd5AndDesCbc) {
    Decrypted out;
    out.area.assign(ciphertext.size() + 4, 0xEE);
    ByteSpan plain{out.area.data(), out.length};
    out.status = cerrojo::PbeDecrypt(
        ciphertext.data(), static_cast<std::uint32_t>(ciphertext.size()), &plain, algorithm,
        iterations, salt.data(), reinterpret_cast<const std::uint8_t*>(password.data()),
        static_cast<std::uint32_t>(password.size()));
    out.length = plain.length;
    for (std::size_t i = ciphertext.size(); i < out.area.size(); ++i) {
        EXPECT_EQ(out.area[i], 0xEE) << "written past the ciphertext length";
    }
    return out;
}

TEST(PbeDecrypt, RecoversWhatOpenSslEncrypted) {
    std::mt19937 rng(8);
    const std::string password = "clave de acceso@\\2026";
    for (std::size_t size : {0u, 1u, 7u, 8u, 9u, 15u, 16u, 1217u}) {
        for (int iterations : {1, 2048}) {
            SCOPED_TRACE("size " + std::to_string(size) + ", iterations " +
                         std::to_string(iterations));
            Bytes plain(size), salt(8);
            for (auto& b : plain) b = static_cast<std::uint8_t>(rng());
            for (auto& b : salt) b = static_cast<std::uint8_t>(rng());
            const Bytes ciphertext = OpenSslPbeEncrypt(plain, password, salt, iterations, true);
            const Decrypted out = Decrypt(ciphertext, password, salt, iterations);
            ASSERT_EQ(out.status, 0);
            ASSERT_EQ(out.length, size);
            EXPECT_EQ(ToHex(Bytes(out.area.begin(), out.area.begin() + size)), ToHex(plain));
            // The padding does not stay behind in the area.
            for (std::size_t i = size; i < ciphertext.size(); ++i) EXPECT_EQ(out.area[i], 0);
        }
    }
}

TEST(PbeDecrypt, InverseOfPbeEncryptForBothAlgorithmsAndInPlace) {
    const Bytes plain = FromText("0\x82\x04\xbd stand-in for a PrivateKeyInfo, 53 bytes");
    for (cerrojo::AlgorithmId algorithm :
         {cerrojo::kPbeWithMd2AndDesCbc, cerrojo::kPbeWithMd5AndDesCbc}) {
        for (std::uint32_t iterations : {0u, 1u, 3u}) {
            const PbeOutput encrypted = Encrypt(plain, "password", algorithm, iterations);
            const Bytes ciphertext(encrypted.ciphertext.begin(),
                                   encrypted.ciphertext.begin() + encrypted.result);
            const Decrypted out =
                Decrypt(ciphertext, "password", encrypted.salt, iterations, algorithm);
            ASSERT_EQ(out.status, 0) << algorithm;
            EXPECT_EQ(ToHex(Bytes(out.area.begin(), out.area.begin() + out.length)), ToHex(plain));

            Bytes storage = ciphertext;
            ByteSpan span{storage.data(), 0};
            ASSERT_EQ(
                cerrojo::PbeDecrypt(storage.data(), static_cast<std::uint32_t>(storage.size()),
                                    &span, algorithm, iterations, encrypted.salt.data(),
                                    reinterpret_cast<const std::uint8_t*>("password"), 8),
                0);
            EXPECT_EQ(ToHex(storage.data(), span.length), ToHex(plain));
        }
    }
}

// Any last block that is not a PKCS#5 padding, and a wrong password, give the
// one failure status; nothing of the decryption is left in the area.
TEST(PbeDecrypt, BadPaddingAndWrongPasswordAreOneFailure) {
    const std::string password = "12345678";
    const Bytes salt = FromText("saltsalt");
    const Bytes body = FromText("sixteen bytes..!");
    const struct {
        const char* lastBlock;
        bool valid;
    } cases[] = {
        {"41 41 41 41 41 41 41 01", true},  {"08 08 08 08 08 08 08 08", true},
        {"41 41 41 41 41 03 03 03", true},  {"41 41 41 41 41 41 41 00", false},
        {"09 09 09 09 09 09 09 09", false}, {"41 41 41 41 41 41 41 FF", false},
        {"41 41 41 41 41 41 01 02", false}, {"08 08 08 08 08 08 08 07", false},
        {"07 08 08 08 08 08 08 08", false}, {"41 41 41 41 41 02 03 03", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lastBlock);
        Bytes padded = body;
        const Bytes last = testsupport::FromHex(c.lastBlock);
        padded.insert(padded.end(), last.begin(), last.end());
        const Bytes ciphertext = OpenSslPbeEncrypt(padded, password, salt, 1, false);
        const Decrypted out = Decrypt(ciphertext, password, salt, 1);
        if (c.valid) {
            EXPECT_EQ(out.status, 0);
            EXPECT_EQ(out.length, padded.size() - last.back());
        } else {
            EXPECT_EQ(out.status, cerrojo::StatusDecryptFailed);
            EXPECT_EQ(out.length, 0xDEADBEEFu);
            EXPECT_EQ(ToHex(Bytes(out.area.begin(), out.area.begin() + 24)), ToHex(Bytes(24, 0)));
        }
    }

    const Bytes ciphertext = OpenSslPbeEncrypt(body, password, salt, 1, true);
    ASSERT_EQ(Decrypt(ciphertext, password, salt, 1).status, 0);
    for (const char* wrong : {"12345679", "1234567", "", "123456789"}) {
        const Decrypted out = Decrypt(ciphertext, wrong, salt, 1);
        EXPECT_EQ(out.status, cerrojo::StatusDecryptFailed) << wrong;
        EXPECT_EQ(ToHex(out.area.data(), 24), ToHex(Bytes(24, 0)));
    }
    EXPECT_EQ(Decrypt(ciphertext, password, FromText("saltsalu"), 1).status,
              cerrojo::StatusDecryptFailed);
    EXPECT_EQ(Decrypt(ciphertext, password, salt, 2).status, cerrojo::StatusDecryptFailed);
}

TEST(PbeDecrypt, LengthsAndAlgorithmsRefusedWithoutWriting) {
    const Bytes salt(8, 1);
    for (std::size_t length : {0u, 7u, 12u, 17u}) {
        const Decrypted out = Decrypt(Bytes(length, 0x55), "password", salt, 1);
        EXPECT_EQ(out.status, cerrojo::StatusBadLength) << length;
        EXPECT_EQ(ToHex(out.area), ToHex(Bytes(length + 4, 0xEE)));
    }
    for (cerrojo::AlgorithmId algorithm : {103u, 106u, 5u}) {
        const Decrypted out = Decrypt(Bytes(16, 0x55), "password", salt, 1, algorithm);
        EXPECT_EQ(out.status, cerrojo::StatusBadData) << algorithm;
        EXPECT_EQ(ToHex(out.area), ToHex(Bytes(20, 0xEE)));
    }
}

}  // namespace
