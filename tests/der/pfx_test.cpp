// The .pfx as a registrant's tools read it: `openssl pkcs12` with OpenSSL 3's
// default provider alone (no legacy provider) and GnuTLS `certtool
// --p12-info`, over a key from Cerrojo's generator and a certificate OpenSSL
// issued for it: same key, same certificate, the friendly name, localKeyId,
// the algorithms, the three salts and 2,048 iterations.
#include <gtest/gtest.h>
#include <openssl/pem.h>
#include <openssl/sha.h>

#include <cstdio>
#include <string>
#include <vector>

#include "support/openssl_files.h"
#include "der/pfx.h"
#include "support/test_keys.h"
#include "support/run_command.h"
#include "support/temp_folder.h"
#include "support/testdata.h"
#include "support/x509_certificates.h"
#include "text/cp1252.h"

namespace {

using testsupport::Bytes;

const std::uint8_t* Data(const std::string& s) {
    return reinterpret_cast<const std::uint8_t*>(s.data());
}

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

// PEM text of a key or certificate as OpenSSL writes it.
template <typename Write>
std::string Pem(Write write) {
    BIO* bio = BIO_new(BIO_s_mem());
    EXPECT_EQ(write(bio), 1);
    char* text = nullptr;
    const long length = BIO_get_mem_data(bio, &text);
    std::string pem(text, static_cast<std::size_t>(length));
    BIO_free(bio);
    return pem;
}

// SHA-1 of the certificate as "2C 1D ..." (OpenSSL) or "2C:1D:..." (GnuTLS).
std::string KeyId(const Bytes& cert, char separator) {
    std::uint8_t digest[SHA_DIGEST_LENGTH];
    SHA1(cert.data(), cert.size(), digest);
    const std::string hex = testsupport::UpperHex(digest, sizeof(digest));
    std::string out;
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        if (i != 0) out.push_back(separator);
        out.append(hex, i, 2);
    }
    return out;
}

class Pfx : public testing::Test {
  protected:
    const dertest::KeyPair& key_ = dertest::OwnKey(testsupport::kSanitized ? 1024 : 2048);
    dertest::Pkey pkey_ = dertest::ToOpenSsl(key_.privateKey);
    const Bytes cert_ = testsupport::SelfSigned(pkey_.get(), "PELJ800101AB1");
    testsupport::TempFolder folder_{"petitora-pfx"};

    cerrojo::PfxContents Contents(const std::string& name, const std::string& password) const {
        return cerrojo::PfxContents{cert_.data(),
                                    static_cast<std::uint32_t>(cert_.size()),
                                    &key_.privateKey,
                                    Data(name),
                                    static_cast<std::uint32_t>(name.size()),
                                    Data(password),
                                    static_cast<std::uint32_t>(password.size()),
                                    {1, 2, 3, 4, 5, 6, 7, 8},
                                    {9, 10, 11, 12, 13, 14, 15, 16},
                                    {17, 18, 19, 20, 21, 22, 23, 24}};
    }
};

// Friendly names on both sides of the attribute order (13 characters put
// localKeyId first, short ones friendlyName), Windows-1252 letters and the
// euro sign in name and password, and the empty password.
TEST_F(Pfx, OpenSslAndGnuTlsReadKeyCertificateAndAttributes) {
    struct Case {
        std::string name, password;  // Windows-1252
    };
    const Case cases[] = {{"PELJ800101AB1",
                           "Contrase\xF1"
                           "a segura"},
                          {"\xD1U\xC9Z \x80", "\x80uros y caf\xE9"},
                          {"X", ""}};
    const std::string keyPem = Pem([&](BIO* bio) {
        return PEM_write_bio_PrivateKey(bio, pkey_.get(), nullptr, nullptr, 0, nullptr, nullptr);
    });
    const unsigned char* p = cert_.data();
    X509* x509 = d2i_X509(nullptr, &p, static_cast<long>(cert_.size()));
    const std::string certPem = Pem([&](BIO* bio) { return PEM_write_bio_X509(bio, x509); });
    X509_free(x509);

    for (const Case& c : cases) {
        const std::string name = petitora::Cp1252ToUtf8(c.name);
        const std::string password = petitora::Cp1252ToUtf8(c.password);
        SCOPED_TRACE(name + " / " + password);
        const cerrojo::PfxContents contents = Contents(c.name, c.password);
        std::vector<std::uint8_t> file(cert_.size() + 4096);
        std::uint32_t length = static_cast<std::uint32_t>(file.size());
        ASSERT_EQ(cerrojo::MakePfx(file.data(), &length, &contents), cerrojo::kPfxOk);
        const std::string path =
            folder_.Write("key.pfx", std::string(file.begin(), file.begin() + length));

        std::string out;
        const std::string openssl =
            "OPENSSL_CONF=/dev/null openssl pkcs12 -provider default -info -nodes -in '" + path +
            "' -passin ";
        ASSERT_EQ(testsupport::RunCommand(openssl + "'pass:" + password + "'", &out), 0) << out;
        EXPECT_EQ(Count(out, "MAC: sha1, Iteration 2048"), 1u) << out;
        EXPECT_EQ(Count(out, "KeyTripleDES-CBC, Iteration 2048\n"), 2u);  // the two bags
        // OpenSSL 3.0 prints a BMPString by the low byte of each character:
        // the name is compared here when it is ASCII, and by GnuTLS always.
        EXPECT_EQ(Count(out, "friendlyName: " + (name == c.name ? name + "\n" : "")), 2u);
        EXPECT_EQ(Count(out, "localKeyID: " + KeyId(cert_, ' ') + " \n"), 2u) << out;
        EXPECT_EQ(Count(out, certPem), 1u);
        EXPECT_EQ(Count(out, keyPem), 1u);
        EXPECT_NE(testsupport::RunCommand(openssl + "'pass:" + password + "x'", &out), 0);

        // certtool takes --password '' for no password at all.
        const std::string gnutlsPassword =
            password.empty() ? " --empty-password" : " --password '" + password + "'";
        const std::string certtool = "certtool --p12-info --inder --infile '" + path + "'";
        ASSERT_EQ(testsupport::RunCommand(certtool + gnutlsPassword, &out), 0) << out;
        EXPECT_EQ(Count(out, "Iteration count: 2048"), 3u) << out;
        EXPECT_EQ(Count(out, "Schema: PKCS12-3DES-SHA1"), 2u);
        EXPECT_EQ(Count(out, "Friendly name: " + name + "\n"), 2u) << out;
        EXPECT_EQ(Count(out, "Key ID: " + KeyId(cert_, ':') + "\n"), 2u);  // the key bag's too
        for (const char* salt : {"0102030405060708", "090a0b0c0d0e0f10", "1112131415161718"})
            EXPECT_EQ(Count(out, std::string("Salt: ") + salt + "\n"), 1u) << salt;
        EXPECT_EQ(Count(out, certPem), 1u);
        EXPECT_NE(testsupport::RunCommand(certtool + " --password '" + password + "x'", &out), 0);
    }
}

// What cannot make a file is refused with the output and its length left
// alone; an output one byte short gets the size the file needs.
TEST_F(Pfx, RefusesBadInputAndReportsTheSizeNeeded) {
    const std::string name = "PELJ800101AB1", password = "clave";
    const cerrojo::PfxContents good = Contents(name, password);
    const std::string longText(cerrojo::kPfxMaxTextLength + 1, 'a');
    std::vector<cerrojo::PfxContents> bad(8, good);
    bad[0].certificate = nullptr;
    bad[1].certificateLength = 0;
    bad[2].certificateLength = cerrojo::kPfxMaxCertificateLength + 1;
    bad[3].privateKey = nullptr;
    bad[4].friendlyNameLength = 0;
    bad[5].friendlyName = Data(longText);
    bad[5].friendlyNameLength = static_cast<std::uint32_t>(longText.size());
    bad[6].password = nullptr;
    bad[7].password = Data(longText);
    bad[7].passwordLength = static_cast<std::uint32_t>(longText.size());
    std::vector<std::uint8_t> file(cert_.size() + 4096, 0x5A);
    for (std::size_t i = 0; i < bad.size(); ++i) {
        std::uint32_t length = 1234;
        EXPECT_EQ(cerrojo::MakePfx(file.data(), &length, &bad[i]), cerrojo::kPfxBadInput) << i;
        EXPECT_EQ(length, 1234u) << i;
    }
    std::uint32_t length = static_cast<std::uint32_t>(file.size());
    EXPECT_EQ(cerrojo::MakePfx(file.data(), &length, nullptr), cerrojo::kPfxBadInput);
    EXPECT_EQ(cerrojo::MakePfx(nullptr, &length, &good), cerrojo::kPfxBadInput);
    ASSERT_EQ(cerrojo::MakePfx(file.data(), &length, &good), cerrojo::kPfxOk);
    std::vector<std::uint8_t> small(length - 1, 0x5A);
    std::uint32_t smallLength = length - 1;
    EXPECT_EQ(cerrojo::MakePfx(small.data(), &smallLength, &good), cerrojo::kPfxTooSmall);
    EXPECT_EQ(smallLength, length);
    EXPECT_EQ(small, std::vector<std::uint8_t>(length - 1, 0x5A));
}

}  // namespace
