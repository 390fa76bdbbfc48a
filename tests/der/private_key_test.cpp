// Encrypted private-key files: byte layout and decryption by OpenSSL.
#include "der/private_key.h"

#include <gtest/gtest.h>

#define OPENSSL_SUPPRESS_DEPRECATED 1
#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/objects.h>
#include <openssl/pkcs12.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>

#include <cctype>
#include <memory>
#include <string>
#include <vector>

#include "crypto/digest.h"
#include "crypto/random.h"
#include "der/request.h"
#include "support/guarded.h"
#include "support/openssl_legacy.h"
#include "support/sample_request.h"
#include "support/test_keys.h"
#include "support/testdata.h"

namespace {

using cerrojo::ByteSpan;
using cerrojo::DerBuffer;
using dertest::TestKey;
using testsupport::Bytes;

using testsupport::NormHex;
using testsupport::UpperHex;

Bytes MakeKeyFile(const dertest::KeyPair& key, const std::string& password,
                  cerrojo::AlgorithmId algorithm = 105, std::uint32_t iterations = 0,
                  int* status = nullptr) {
    std::vector<std::uint8_t> output(4096, 0xEE);
    std::uint32_t length = 4096;
    const int result = cerrojo::MakeEncryptedPrivateKey(
        output.data(), &length, algorithm, iterations,
        reinterpret_cast<const std::uint8_t*>(password.data()),
        static_cast<std::uint32_t>(password.size()), &key.privateKey);
    if (status != nullptr) *status = result;
    if (result != cerrojo::kKeyFileOk) {
        EXPECT_EQ(length, 4096u) << "length must stay untouched on failure";
        EXPECT_EQ(UpperHex(output), UpperHex(Bytes(4096, 0xEE))) << "output must stay untouched";
        return {};
    }
    output.resize(length);
    return output;
}

Bytes PrivateKeyInfo(const dertest::KeyPair& key) {
    std::vector<std::uint8_t> area(4000);
    DerBuffer buffer{};
    cerrojo::DerInit(&buffer, area.data(), 4000);
    const std::uint32_t size = cerrojo::DerPutPrivateKeyInfo(&buffer, 100, &key.privateKey);
    EXPECT_NE(size, 0u);
    return Bytes(area.end() - size, area.end());
}

// Decrypts with OpenSSL's PBES1 and checks the key against the record.
void ExpectDecryptsToKey(const Bytes& file, const std::string& password,
                         const dertest::KeyPair& key) {
    ASSERT_TRUE(testsupport::LoadLegacyProviders());
    const unsigned char* p = file.data();
    X509_SIG* sig = d2i_X509_SIG(nullptr, &p, static_cast<long>(file.size()));
    ASSERT_NE(sig, nullptr);
    EXPECT_EQ(p, file.data() + file.size());
    PKCS8_PRIV_KEY_INFO* info =
        PKCS8_decrypt(sig, password.data(), static_cast<int>(password.size()));
    X509_SIG_free(sig);
    ASSERT_NE(info, nullptr) << "OpenSSL could not decrypt the key file";

    unsigned char* encoded = nullptr;
    const int encodedLength = i2d_PKCS8_PRIV_KEY_INFO(info, &encoded);
    EXPECT_EQ(UpperHex(encoded, encodedLength), UpperHex(PrivateKeyInfo(key)));
    OPENSSL_free(encoded);

    EVP_PKEY* pkey = EVP_PKCS82PKEY(info);
    PKCS8_PRIV_KEY_INFO_free(info);
    ASSERT_NE(pkey, nullptr);
    const RSA* rsa = EVP_PKEY_get0_RSA(pkey);
    ASSERT_NE(rsa, nullptr);
    EXPECT_EQ(RSA_check_key(rsa), 1);
    std::uint8_t modulus[256];
    BN_bn2binpad(RSA_get0_n(rsa), modulus, 256);
    EXPECT_EQ(UpperHex(modulus, 256), UpperHex(key.privateKey.modulus, 256));
    EVP_PKEY_free(pkey);
}

TEST(KeyFile, OpenSslDecryptsEveryKeySize) {
    for (int bits : {508, 1024, 2048}) {
        SCOPED_TRACE(bits);
        const dertest::KeyPair& key = TestKey(bits);
        const std::string password =
            "Contrase\xF1"
            "a @\\ 2026";
        const Bytes file = MakeKeyFile(key, password);
        ASSERT_FALSE(file.empty());
        ExpectDecryptsToKey(file, password, key);

        // Ciphertext: PrivateKeyInfo padded to the next multiple of 8.
        const std::size_t infoLength = PrivateKeyInfo(key).size();
        const std::size_t cipherLength = (infoLength / 8 + 1) * 8;
        EXPECT_EQ(file.size(), 4 + 28 + 4 + cipherLength);
        EXPECT_EQ(UpperHex(file.data() + 32, 4),
                  NormHex("04 82") + UpperHex(Bytes{static_cast<std::uint8_t>(cipherLength >> 8),
                                                    static_cast<std::uint8_t>(cipherLength)}));
    }
}

TEST(KeyFile, HeadLayoutAndDerivedSalt) {
    const dertest::KeyPair& key = TestKey(1024);
    const std::string password = "secreto";
    const Bytes file = MakeKeyFile(key, password);
    ASSERT_GT(file.size(), 40u);
    EXPECT_EQ(UpperHex(file.data(), 2), "3082");
    EXPECT_EQ(file.size(), 4u + (file[2] << 8 | file[3]));
    EXPECT_EQ(UpperHex(file.data() + 4, 17),
              NormHex("30 1A 06 09 2A 86 48 86 F7 0D 01 05 03 30 0D 04 08"));
    EXPECT_EQ(UpperHex(file.data() + 29, 5), NormHex("02 01 01 04 82"));

    // The salt is the head of MD5(password || PrivateKeyInfo).
    Bytes input(password.begin(), password.end());
    const Bytes info = PrivateKeyInfo(key);
    input.insert(input.end(), info.begin(), info.end());
    std::uint8_t md5[EVP_MAX_MD_SIZE];
    unsigned int md5Length = 0;
    ASSERT_EQ(EVP_Digest(input.data(), input.size(), md5, &md5Length, EVP_md5(), nullptr), 1);
    EXPECT_EQ(UpperHex(file.data() + 21, 8), UpperHex(md5, 8));

    // Same inputs, same file; another password, another salt.
    EXPECT_EQ(UpperHex(MakeKeyFile(key, password)), UpperHex(file));
    const Bytes other = MakeKeyFile(key, "secretO");
    EXPECT_NE(UpperHex(other.data() + 21, 8), UpperHex(file.data() + 21, 8));

    // The RSAPrivateKey inside: 2048-bit modulus with its sign byte.
    const Bytes bigInfo = PrivateKeyInfo(TestKey(2048));
    const std::string hex = UpperHex(bigInfo);
    EXPECT_NE(hex.find(NormHex("02 01 00 02 82 01 01 00") +
                       UpperHex(TestKey(2048).privateKey.modulus, 2)),
              std::string::npos);
    EXPECT_EQ(hex.substr(8, 36), NormHex("02 01 00 30 0D 06 09 2A 86 48 86 F7 0D 01 01 01 05 00"));
}

TEST(KeyFile, IterationCounts) {
    const dertest::KeyPair& key = TestKey(508);
    const std::string password = "pw";
    const Bytes zero = MakeKeyFile(key, password, 105, 0);
    EXPECT_EQ(UpperHex(MakeKeyFile(key, password, 105, 1)), UpperHex(zero));
    EXPECT_EQ(UpperHex(zero.data() + 29, 3), "020101");

    struct Case {
        std::uint32_t count;
        const char* integer;  // the iterationCount INTEGER as written
    } cases[] = {
        {127, "02 01 7F"},         {128, "02 02 00 80"},  {255, "02 02 00 FF"},
        {256, "02 02 01 00"},      {2048, "02 02 08 00"}, {32768, "02 03 00 80 00"},
        {65536, "02 03 01 00 00"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.count);
        const Bytes file = MakeKeyFile(key, password, 105, c.count);
        ASSERT_FALSE(file.empty());
        const std::string integer = NormHex(c.integer);
        const std::size_t extra = integer.size() / 2 - 3;  // beyond 02 01 xx
        EXPECT_EQ(UpperHex(file.data() + 4, 4),
                  UpperHex(Bytes{0x30, static_cast<std::uint8_t>(26 + extra), 0x06, 0x09}));
        EXPECT_EQ(UpperHex(file.data() + 17, 2),
                  UpperHex(Bytes{0x30, static_cast<std::uint8_t>(13 + extra)}));
        EXPECT_EQ(UpperHex(file.data() + 29, integer.size() / 2), integer);
        ExpectDecryptsToKey(file, password, key);
    }
}

TEST(KeyFile, Md2VariantWritesItsIdentifier) {
    // OpenSSL 3 has no MD2; the structure is checked here, the MD2 PBE itself
    // by the PBE tests.
    const Bytes file = MakeKeyFile(TestKey(508), "pw", 104);
    ASSERT_FALSE(file.empty());
    EXPECT_EQ(UpperHex(file.data() + 4, 13), NormHex("30 1A 06 09 2A 86 48 86 F7 0D 01 05 01"));
    const unsigned char* p = file.data();
    X509_SIG* sig = d2i_X509_SIG(nullptr, &p, static_cast<long>(file.size()));
    ASSERT_NE(sig, nullptr);
    X509_SIG_free(sig);
}

TEST(KeyFile, NotPbeAlgorithmsFail) {
    for (cerrojo::AlgorithmId algorithm : {0u, 5u, 100u, 103u, 106u, 108u, 110u, 112u}) {
        int status = -1;
        EXPECT_TRUE(MakeKeyFile(TestKey(508), "pw", algorithm, 0, &status).empty());
        EXPECT_EQ(status, cerrojo::kKeyFileFailed) << algorithm;
    }
    std::uint8_t output[16];
    std::uint32_t length = sizeof(output);
    EXPECT_EQ(cerrojo::MakeEncryptedPrivateKey(output, &length, 105, 0, nullptr, 0, nullptr),
              cerrojo::kKeyFileFailed);
    EXPECT_EQ(length, sizeof(output));
}

TEST(KeyFile, StorageShortAtEveryByteFailsInsideTheStorage) {
    const dertest::KeyPair& key = TestKey(508);
    const std::string password = "pw";
    const auto* pw = reinterpret_cast<const std::uint8_t*>(password.data());
    const Bytes file = MakeKeyFile(key, password);
    const Bytes info = PrivateKeyInfo(key);

    for (std::size_t cap = 0; cap <= info.size(); ++cap) {
        dertest::GuardedArea area(cap);
        DerBuffer buffer{};
        cerrojo::DerInit(&buffer, area.data(), static_cast<std::uint32_t>(cap));
        EXPECT_EQ(cerrojo::DerPutPrivateKeyInfo(&buffer, 100, &key.privateKey),
                  cap == info.size() ? info.size() : 0u)
            << cap;
        EXPECT_TRUE(area.GuardsIntact()) << cap;
    }

    std::vector<std::uint8_t> keyInfo(4000), cipher(4000), plain(4000);
    const cerrojo::KeyFileAreas areas{keyInfo.data(), cipher.data(), plain.data()};
    for (std::size_t cap = 0; cap <= file.size(); ++cap) {
        dertest::GuardedArea area(cap);
        DerBuffer buffer{};
        EXPECT_EQ(
            cerrojo::BuildEncryptedPrivateKey(&buffer, area.data(), static_cast<std::uint32_t>(cap),
                                              105, 0, pw, 2, &key.privateKey, &areas),
            cap == file.size() ? file.size() : 0u)
            << cap;
        EXPECT_TRUE(area.GuardsIntact()) << cap;

        dertest::GuardedArea output(cap, 0x5A);
        std::uint32_t length = static_cast<std::uint32_t>(cap);
        const int status = cerrojo::MakeEncryptedPrivateKey(output.data(), &length, 105, 0, pw, 2,
                                                            &key.privateKey);
        if (cap == file.size()) {
            EXPECT_EQ(status, cerrojo::kKeyFileOk);
            EXPECT_EQ(UpperHex(output.data(), cap), UpperHex(file));
        } else {
            EXPECT_EQ(status, cerrojo::kKeyFileFailed) << cap;
            EXPECT_EQ(length, cap);
            EXPECT_EQ(UpperHex(output.data(), cap), UpperHex(Bytes(cap, 0x5A)));
        }
        EXPECT_TRUE(output.GuardsIntact()) << cap;
    }
}

TEST(KeyFile, BothFilesFromOwnKeyGenerator) {
    // The driver's path: keys from Cerrojo's generator, request signed with
    // MD5, key file with iteration count 0; OpenSSL checks the pair.
    for (std::uint32_t bits : {1024u, 2048u}) {
        SCOPED_TRACE(bits);
        if (testsupport::kSanitized && bits == 2048) continue;  // slow generation
        const dertest::KeyPair* key = &dertest::OwnKey(bits);

        dertest::SampleSlots slots;
        std::vector<std::uint8_t> request(4096);
        std::uint32_t length = 4096;
        ASSERT_EQ(
            cerrojo::MakeCertificationRequest(request.data(), &length, 103, slots.name,
                                              &key->publicKey, &key->privateKey, slots.attributes),
            cerrojo::kRequestOk);
        const unsigned char* p = request.data();
        X509_REQ* req = d2i_X509_REQ(nullptr, &p, length);
        ASSERT_NE(req, nullptr);
        EXPECT_EQ(X509_REQ_verify(req, X509_REQ_get0_pubkey(req)), 1);
        X509_REQ_free(req);

        const std::string password =
            "Contrase\xF1"
            "a";
        const Bytes file = MakeKeyFile(*key, password);
        ASSERT_FALSE(file.empty());
        ExpectDecryptsToKey(file, password, *key);
    }
}

}  // namespace
