// The PKCS#8 readers: key files written by Cerrojo's builder and by OpenSSL
// open with PbeDecrypt and give back the very key record; what the records
// cannot hold is refused and leaves no key material behind.
#include <gtest/gtest.h>
#include <openssl/rsa.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "crypto/pbe.h"
#include "der/key_reader.h"
#include "der/private_key.h"
#include "der/reader.h"
#include "support/openssl_files.h"
#include "support/test_keys.h"
#include "support/testdata.h"

namespace {

using cerrojo::RsaPrivateKey;
using testsupport::Bytes;

const std::string kPassword =
    "Contrase\xF1"
    "a de acceso";

Bytes CerrojoKeyFile(const RsaPrivateKey& key, cerrojo::AlgorithmId algorithm,
                     std::uint32_t iterations) {
    Bytes output(4096);
    std::uint32_t length = static_cast<std::uint32_t>(output.size());
    EXPECT_EQ(
        cerrojo::MakeEncryptedPrivateKey(output.data(), &length, algorithm, iterations,
                                         reinterpret_cast<const std::uint8_t*>(kPassword.data()),
                                         static_cast<std::uint32_t>(kPassword.size()), &key),
        cerrojo::kKeyFileOk);
    output.resize(length);
    return output;
}

// Parses an exact-size copy of the file and opens it: the reader's status,
// then PbeDecrypt's, then the PrivateKeyInfo reader's, the first that is not 0.
int Open(const Bytes& file, const std::string& password, RsaPrivateKey* key,
         cerrojo::ParsedKeyFile* parsed = nullptr) {
    Bytes copy = file;
    copy.shrink_to_fit();
    cerrojo::ParsedKeyFile local;
    cerrojo::ParsedKeyFile* keyFile = parsed != nullptr ? parsed : &local;
    int status = cerrojo::ParseEncryptedPrivateKey(
        copy.empty() ? nullptr : copy.data(), static_cast<std::uint32_t>(copy.size()), keyFile);
    if (status != 0) return status;
    Bytes plain(keyFile->ciphertextLength);
    cerrojo::ByteSpan span{plain.data(), 0};
    status = cerrojo::PbeDecrypt(keyFile->ciphertext, keyFile->ciphertextLength, &span,
                                 keyFile->algorithm, keyFile->iterations, keyFile->salt,
                                 reinterpret_cast<const std::uint8_t*>(password.data()),
                                 static_cast<std::uint32_t>(password.size()));
    if (status != 0) return status;
    plain.resize(span.length);
    plain.shrink_to_fit();
    return cerrojo::ParsePrivateKeyInfo(plain.data(), span.length, key);
}

bool AllZero(const RsaPrivateKey& key) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&key);
    for (std::size_t i = 0; i < sizeof(key); ++i) {
        if (bytes[i] != 0) return false;
    }
    return true;
}

Bytes OpenSslPrivateKeyInfo(EVP_PKEY* pkey) {
    PKCS8_PRIV_KEY_INFO* info = EVP_PKEY2PKCS8(pkey);
    unsigned char* out = nullptr;
    const int length = info != nullptr ? i2d_PKCS8_PRIV_KEY_INFO(info, &out) : 0;
    Bytes der(out, out + (length > 0 ? length : 0));
    OPENSSL_free(out);
    PKCS8_PRIV_KEY_INFO_free(info);
    return der;
}

TEST(KeyReader, CerrojoKeyFilesGiveBackTheKeyRecord) {
    for (int bits : {1023, 1024, 2048}) {
        const RsaPrivateKey& original = dertest::TestKey(bits).privateKey;
        for (cerrojo::AlgorithmId algorithm : {104u, 105u}) {
            SCOPED_TRACE(std::to_string(bits) + " bits, algorithm " + std::to_string(algorithm));
            const Bytes file = CerrojoKeyFile(original, algorithm, 0);
            cerrojo::ParsedKeyFile parsed;
            RsaPrivateKey key;
            ASSERT_EQ(Open(file, kPassword, &key, &parsed), 0);
            EXPECT_EQ(parsed.algorithm, algorithm);
            EXPECT_EQ(parsed.iterations, 1u);  // a count of 0 is written as 1
            // 30 82 hh ll 30 1A 06 09 <oid> 30 0D 04 08 <salt> 02 01 01 04 82 hh ll <ciphertext>
            EXPECT_EQ(Bytes(parsed.salt, parsed.salt + 8),
                      Bytes(file.begin() + 21, file.begin() + 29));
            EXPECT_EQ(parsed.ciphertextLength, file.size() - 36);
            EXPECT_EQ(0, std::memcmp(&key, &original, sizeof(key)));
        }
    }
}

TEST(KeyReader, OpenSslKeyFilesOpen) {
    const RsaPrivateKey& original = dertest::TestKey(2048).privateKey;
    const dertest::Pkey fromRecord = dertest::ToOpenSsl(original);
    const Bytes file =
        dertest::OpenSslKeyFile(fromRecord.get(), kPassword, NID_pbeWithMD5AndDES_CBC, 2048);
    cerrojo::ParsedKeyFile parsed;
    RsaPrivateKey key;
    ASSERT_EQ(Open(file, kPassword, &key, &parsed), 0);
    EXPECT_EQ(parsed.iterations, 2048u);
    EXPECT_EQ(0, std::memcmp(&key, &original, sizeof(key)));

    // A key of OpenSSL's own, compared number by number.
    const dertest::Pkey own = dertest::GenerateOpenSslKey(1024);
    ASSERT_EQ(Open(dertest::OpenSslKeyFile(own.get(), "x", NID_pbeWithMD5AndDES_CBC, 1), "x", &key),
              0);
    EXPECT_EQ(key.bits, 1024);
    EXPECT_EQ(Bytes(key.modulus, key.modulus + 256), dertest::OpenSslNumber(own.get(), "n", 256));
    EXPECT_EQ(Bytes(key.privateExponent, key.privateExponent + 256),
              dertest::OpenSslNumber(own.get(), "d", 256));
    EXPECT_EQ(Bytes(key.coefficient, key.coefficient + 128),
              dertest::OpenSslNumber(own.get(), "rsa-coefficient1", 128));

    // PBES2, OpenSSL's default, is not one of the two algorithms.
    EXPECT_EQ(Open(dertest::OpenSslKeyFile(own.get(), "x", -1, 2048), "x", &key),
              cerrojo::StatusDerUnsupported);
}

// A wrong password almost always fails the padding check; about one in 256
// leaves a valid padding by chance, and then the reader refuses the noise
// and leaves no key behind. Either way the key does not open.
TEST(KeyReader, WrongPasswordsNeverOpenTheKey) {
    const Bytes file = CerrojoKeyFile(dertest::TestKey(1024).privateKey, 105, 1);
    RsaPrivateKey key;
    int paddingFailures = 0;
    bool noiseRefused = false;
    for (int i = 0; i < 20000 && !(i >= 512 && noiseRefused); ++i) {
        const int status = Open(file, kPassword + std::to_string(i), &key);
        if (status == cerrojo::StatusDecryptFailed) {
            ++paddingFailures;
            continue;
        }
        ASSERT_GE(status, cerrojo::StatusDerTruncated) << i;  // a reader status
        ASSERT_LE(status, cerrojo::StatusDerUnsupported) << i;
        EXPECT_TRUE(AllZero(key)) << i;
        noiseRefused = true;
    }
    EXPECT_TRUE(noiseRefused);
    EXPECT_GT(paddingFailures, 450);
}

TEST(KeyReader, DamagedFilesAreRefused) {
    const RsaPrivateKey& original = dertest::TestKey(1024).privateKey;
    const Bytes file = CerrojoKeyFile(original, 105, 1);
    RsaPrivateKey key;
    Bytes longer = file;
    longer.push_back(0x00);
    EXPECT_EQ(Open(longer, kPassword, &key), cerrojo::StatusDerTrailing);
    // PBKDF1 takes a positive iteration count: 0 is not one, though it would
    // derive the same key as 1.
    Bytes zeroCount = file;
    ASSERT_EQ(zeroCount[31], 1);
    zeroCount[31] = 0;
    EXPECT_EQ(Open(zeroCount, kPassword, &key), cerrojo::StatusDerBadValue);

    // The PrivateKeyInfo itself: every cut refused, the record left zero.
    const dertest::Pkey pkey = dertest::ToOpenSsl(original);
    const Bytes info = OpenSslPrivateKeyInfo(pkey.get());
    ASSERT_EQ(
        cerrojo::ParsePrivateKeyInfo(info.data(), static_cast<std::uint32_t>(info.size()), &key),
        0);
    for (std::size_t cut = 0; cut < info.size(); cut += 7) {
        Bytes part(info.begin(), info.begin() + cut);
        part.shrink_to_fit();
        key = original;
        EXPECT_NE(cerrojo::ParsePrivateKeyInfo(part.data(), static_cast<std::uint32_t>(cut), &key),
                  0);
        EXPECT_TRUE(AllZero(key)) << cut;
    }
}

TEST(KeyReader, KeysTheRecordsCannotHoldAreRefused) {
    RsaPrivateKey key = dertest::TestKey(1024).privateKey;
    const dertest::Pkey large = dertest::GenerateOpenSslKey(2056);
    const Bytes tooLarge = OpenSslPrivateKeyInfo(large.get());
    EXPECT_EQ(cerrojo::ParsePrivateKeyInfo(tooLarge.data(),
                                           static_cast<std::uint32_t>(tooLarge.size()), &key),
              cerrojo::StatusDerTooLarge);
    EXPECT_TRUE(AllZero(key));

    // A three-prime key: RSAPrivateKey version 1.
    EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new_from_name(nullptr, "RSA", nullptr);
    EVP_PKEY* threePrimes = nullptr;
    ASSERT_TRUE(ctx != nullptr && EVP_PKEY_keygen_init(ctx) == 1 &&
                EVP_PKEY_CTX_set_rsa_keygen_bits(ctx, 1024) == 1 &&
                EVP_PKEY_CTX_set_rsa_keygen_primes(ctx, 3) == 1 &&
                EVP_PKEY_generate(ctx, &threePrimes) == 1);
    EVP_PKEY_CTX_free(ctx);
    const dertest::Pkey owned(threePrimes, EVP_PKEY_free);
    const Bytes multi = OpenSslPrivateKeyInfo(threePrimes);
    EXPECT_EQ(
        cerrojo::ParsePrivateKeyInfo(multi.data(), static_cast<std::uint32_t>(multi.size()), &key),
        cerrojo::StatusDerUnsupported);
    EXPECT_TRUE(AllZero(key));
}

}  // namespace
