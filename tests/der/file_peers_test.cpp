// The .req and .key files as a user's command-line tools see them: OpenSSL's
// req/pkcs8/rsa commands and GnuTLS certtool, run over files in a temp dir.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "der/private_key.h"
#include "der/request.h"
#include "support/run_command.h"
#include "support/sample_request.h"
#include "support/temp_folder.h"
#include "support/test_keys.h"

namespace {

using dertest::SampleSlots;
using dertest::TestKey;

class FilePeers : public testing::Test {
  protected:
    static void SetUpTestSuite() { folder_ = new testsupport::TempFolder("petitora-der"); }
    static void TearDownTestSuite() { delete folder_; }

    static std::string Path(const std::string& name) { return folder_->Path(name); }

    static void Write(const std::string& name, const std::uint8_t* data, std::size_t size) {
        folder_->Write(name, std::string(reinterpret_cast<const char*>(data), size));
    }

    static int Run(const std::string& command, std::string* output) {
        return testsupport::RunCommand(command, output);
    }

    static std::string WriteRequest(const std::string& name, cerrojo::AlgorithmId algorithm,
                                    const SampleSlots& slots, const dertest::KeyPair& key) {
        std::uint8_t output[4096];
        std::uint32_t length = sizeof(output);
        EXPECT_EQ(
            cerrojo::MakeCertificationRequest(output, &length, algorithm, slots.name,
                                              &key.publicKey, &key.privateKey, slots.attributes),
            cerrojo::kRequestOk);
        Write(name, output, length);
        return Path(name);
    }

    static std::string WriteKey(const std::string& name, const std::string& password,
                                const dertest::KeyPair& key) {
        std::uint8_t output[4096];
        std::uint32_t length = sizeof(output);
        EXPECT_EQ(
            cerrojo::MakeEncryptedPrivateKey(
                output, &length, 105, 0, reinterpret_cast<const std::uint8_t*>(password.data()),
                static_cast<std::uint32_t>(password.size()), &key.privateKey),
            cerrojo::kKeyFileOk);
        Write(name, output, length);
        return Path(name);
    }

    static std::string ModulusHex(const cerrojo::RsaPublicKey& key) {
        std::string hex;
        const std::size_t k = (key.bits + 7) / 8;
        for (std::size_t i = 256 - k; i < 256; ++i) {
            char byte[3];
            std::snprintf(byte, sizeof(byte), "%02X", key.modulus[i]);
            hex += byte;
        }
        return hex;
    }

    static void ExpectMd4SignatureOpens(const std::string& file, const dertest::KeyPair& key) {
        std::ifstream in(file, std::ios::binary);
        const std::vector<std::uint8_t> request((std::istreambuf_iterator<char>(in)),
                                                std::istreambuf_iterator<char>());
        const std::size_t k = (key.publicKey.bits + 7) / 8;
        ASSERT_GT(request.size(), k + 12);
        ASSERT_EQ(request[4], 0x30);
        ASSERT_EQ(request[5], 0x82);
        const std::size_t infoLength = 4 + (request[6] << 8 | request[7]);
        Write("info.bin", request.data() + 4, infoLength);
        Write("sig.bin", request.data() + request.size() - k, k);
        std::string output, digest, pub;
        ASSERT_EQ(Run("openssl req -inform DER -in '" + file + "' -pubkey -noout -out '" +
                          Path("pub.pem") + "'",
                      &pub),
                  0);
        ASSERT_EQ(
            Run("openssl pkeyutl -verifyrecover -pubin -inkey '" + Path("pub.pem") + "' -in '" +
                    Path("sig.bin") + "' -pkeyopt rsa_padding_mode:pkcs1 | od -An -tx1 -v",
                &output),
            0);
        ASSERT_EQ(Run("openssl dgst -md4 -provider legacy -provider default -r '" +
                          Path("info.bin") + "'",
                      &digest),
                  0);
        EXPECT_EQ(StripSpaces(output),
                  "3020300c06082a864886f70d020405000410" + digest.substr(0, 32));
    }

    static std::string StripSpaces(const std::string& text) {
        std::string out;
        for (char c : text) {
            if (!std::isspace(static_cast<unsigned char>(c))) out += c;
        }
        return out;
    }

    static testsupport::TempFolder* folder_;
};

testsupport::TempFolder* FilePeers::folder_ = nullptr;

// A password with a blank, '@' and '\', safe inside single quotes.
const std::string kPassword = "clave de acceso@\\2026";

TEST_F(FilePeers, OpenSslReqReadsAndVerifies) {
    const dertest::KeyPair& key = TestKey(1024);
    const std::pair<cerrojo::AlgorithmId, const char*> algorithms[] = {
        {101, "md2WithRSAEncryption"},
        {102, "md4WithRSAEncryption"},
        {103, "md5WithRSAEncryption"},
        {111, "sha1WithRSAEncryption"}};
    for (const auto& [algorithm, name] : algorithms) {
        SCOPED_TRACE(name);
        SampleSlots slots;
        const std::string file =
            WriteRequest("req" + std::to_string(algorithm) + ".req", algorithm, slots, key);
        std::string output;
        ASSERT_EQ(Run("openssl req -inform DER -in '" + file + "' -noout -text", &output), 0)
            << output;
        EXPECT_NE(output.find(std::string("Signature Algorithm: ") + name), std::string::npos);
        EXPECT_NE(output.find("C = MX"), std::string::npos) << output;
        EXPECT_NE(output.find("postalCode = 06000"), std::string::npos);
        EXPECT_NE(output.find("challengePassword        :" + slots.challenge), std::string::npos);
        EXPECT_NE(output.find("emailAddress             :" + slots.email), std::string::npos);
        EXPECT_NE(output.find("extendedCertificateAttributes:" + slots.kind), std::string::npos);
        EXPECT_NE(output.find("Exponent: 65537"), std::string::npos);
        if (algorithm == 101) continue;  // OpenSSL 3 has no MD2 at all
        if (algorithm == 102) {
            // OpenSSL 3 does not accept this MD4 DigestInfo in req -verify;
            // open the signature with the public key and compare the digest
            // with OpenSSL's own MD4 of the request info instead.
            ExpectMd4SignatureOpens(file, key);
            continue;
        }
        ASSERT_EQ(Run("openssl req -inform DER -in '" + file +
                          "' -verify -noout -provider legacy -provider default",
                      &output),
                  0)
            << output;
        EXPECT_NE(output.find("verify OK"), std::string::npos) << output;
    }
}

TEST_F(FilePeers, OpenSslPkcs8DecryptsTheKeyOfTheRequest) {
    for (int bits : {1024, 2048}) {
        SCOPED_TRACE(bits);
        const dertest::KeyPair& key = TestKey(bits);
        SampleSlots slots;
        const std::string request = WriteRequest("pair.req", 103, slots, key);
        const std::string keyFile = WriteKey("pair.key", kPassword, key);
        {
            std::ofstream pw(Path("pw.txt"), std::ios::binary);
            pw << kPassword;
        }
        std::string output;
        ASSERT_EQ(Run("openssl pkcs8 -inform DER -in '" + keyFile +
                          "' -provider legacy -provider default -passin 'file:" + Path("pw.txt") +
                          "' -out '" + Path("plain.pem") + "'",
                      &output),
                  0)
            << output;
        ASSERT_EQ(
            Run("openssl rsa -in '" + Path("plain.pem") + "' -noout -modulus -check", &output), 0)
            << output;
        EXPECT_NE(output.find("Modulus=" + ModulusHex(key.publicKey)), std::string::npos) << output;
        EXPECT_NE(output.find("RSA key ok"), std::string::npos) << output;
        ASSERT_EQ(Run("openssl req -inform DER -in '" + request + "' -noout -modulus", &output), 0);
        EXPECT_NE(output.find("Modulus=" + ModulusHex(key.publicKey)), std::string::npos);

        // A wrong password is refused.
        EXPECT_NE(Run("openssl pkcs8 -inform DER -in '" + keyFile +
                          "' -provider legacy -provider default -passin pass:otra -out /dev/null",
                      &output),
                  0);
    }
}

std::string StripColons(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (std::isxdigit(static_cast<unsigned char>(c))) {
            out += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
    }
    return out;
}

TEST_F(FilePeers, CerttoolReadsRequestAndKey) {
    const dertest::KeyPair& key = TestKey(1024);
    SampleSlots slots;
    const std::string request = WriteRequest("gnutls.req", 103, slots, key);
    std::string output;
    // certtool refuses MD5 signatures by policy, but reads everything else.
    ASSERT_EQ(Run("certtool --crq-info --inder --infile '" + request + "'", &output), 0) << output;
    EXPECT_NE(output.find("Signature Algorithm: RSA-MD5"), std::string::npos) << output;
    EXPECT_NE(output.find("C=MX"), std::string::npos);
    EXPECT_NE(output.find("postalCode=06000"), std::string::npos);
    EXPECT_NE(output.find("Challenge password: " + slots.challenge), std::string::npos);
    EXPECT_NE(output.find(slots.kind), std::string::npos);
    EXPECT_NE(output.find(slots.email), std::string::npos);
    EXPECT_NE(output.find("Modulus (bits 1024)"), std::string::npos);

    // GnuTLS verifies a SHA-1 request over its own re-encoding of the
    // attributes; with a single attribute that equals our bytes.
    SampleSlots single;
    single.attributes[0] = single.attributes[1] = cerrojo::ByteSpan{nullptr, 0};
    const std::string sha1 = WriteRequest("gnutls-sha1.req", 111, single, key);
    ASSERT_EQ(Run("certtool --crq-info --inder --infile '" + sha1 + "'", &output), 0) << output;
    EXPECT_NE(output.find("Self signature: verified"), std::string::npos) << output;

    const std::string keyFile = WriteKey("gnutls.key", kPassword, key);
    ASSERT_EQ(Run("certtool --key-info --pkcs8 --inder --password '" + kPassword + "' --infile '" +
                      keyFile + "'",
                  &output),
              0)
        << output;
    EXPECT_NE(output.find("PBES1-DES-CBC-MD5"), std::string::npos) << output;
    const std::size_t at = output.find("modulus:");
    ASSERT_NE(at, std::string::npos) << output;
    const std::size_t end = output.find("public exponent", at);
    EXPECT_NE(StripColons(output.substr(at + 8, end - at - 8)).find(ModulusHex(key.publicKey)),
              std::string::npos)
        << output.substr(at, end - at);
    EXPECT_NE(Run("certtool --key-info --pkcs8 --inder --password otra --infile '" + keyFile + "'",
                  &output),
              0);
}

}  // namespace
