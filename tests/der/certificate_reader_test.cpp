// The certificate reader over certificates that OpenSSL issues, in the test,
// for a request Cerrojo wrote (its key, its Windows-1252 subject): what is
// read must be what OpenSSL reads from the same bytes, and each damaged or
// refused form gives its status, beside OpenSSL's own verdict on the file.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "der/certificate_reader.h"
#include "der/der.h"
#include "der/pem.h"
#include "der/reader.h"
#include "support/sample_files.h"
#include "support/testdata.h"
#include "support/x509_certificates.h"

namespace {

using cerrojo::StatusDerBadValue;
using testsupport::Bytes;
using testsupport::Issue;

struct Material {
    dertest::SampleSlots slots;
    Bytes request;  // Petitora's, for TestKey(1024)
    testsupport::Authority authority = testsupport::MakeAuthority("AC de prueba", 2048);
    testsupport::Authority other = testsupport::MakeAuthority("Otra AC", 1024);
    testsupport::PkeyPtr otherKey{EVP_RSA_gen(1024), EVP_PKEY_free};
    testsupport::PkeyPtr largeKey{EVP_RSA_gen(2056), EVP_PKEY_free};
    X509_NAME* utf8 = X509_NAME_new();
    X509_NAME* bmp = X509_NAME_new();
    Material() {
        const std::string bytes = dertest::RequestBytes(dertest::TestKey(1024), 103, slots);
        request.assign(bytes.begin(), bytes.end());
        X509_NAME_add_entry_by_NID(utf8, NID_commonName, MBSTRING_UTF8,
                                   reinterpret_cast<const unsigned char*>("JOS\xC3\x89"), -1, -1, 0);
        X509_NAME_add_entry_by_NID(bmp, NID_commonName, V_ASN1_BMPSTRING,
                                   reinterpret_cast<const unsigned char*>("\0J\0\xC9\x20\xAC"), 6,
                                   -1, 0);
    }
};
const Material& M() {
    static Material material;
    return material;
}

Bytes Pem(const Bytes& der) {
    const std::string pem = testsupport::ToPem(der);
    return Bytes(pem.begin(), pem.end());
}
// bytes with the first from replaced by to.
Bytes Replaced(const Bytes& bytes, const std::string& from, const std::string& to) {
    const std::string text(bytes.begin(), bytes.end());
    const std::size_t at = text.find(from);
    const std::string changed =
        at == std::string::npos ? text : text.substr(0, at) + to + text.substr(at + from.size());
    return Bytes(changed.begin(), changed.end());
}

struct Case {
    const char* label;
    void (*issue)(Issue&) = nullptr;                    // null: `openssl x509 -req -sha256`
    Bytes (*file)(const Bytes& der) = nullptr;  // null: the DER as issued
    const char* validity = nullptr;  // replaces it: "U" UTCTime or "G" GeneralizedTime, twice
    int status = 0;
    bool openSslReads = true;
    // What an accepted one holds.
    bool petitoraKey = true;
    bool otherIssuer = false;
    cerrojo::AlgorithmId algorithm = cerrojo::kAlgSha256WithRsa;
    int inForce = 0;  // -1 expired, 0 in force, 1 not yet
    int notAfterFrom = 0;  // the earliest year of notAfter
    std::uint8_t firstSubjectType = cerrojo::kDerIdPrintableString;
};

// clang-format off
const Case kCases[] = {
    {.label = "DER"},
    {.label = "PEM", .file = Pem},
    {.label = "PEM with CR LF, blank lines around and blanks", .file = [](const Bytes& der) {
        std::string loose = "\r\n \n";
        for (char c : testsupport::ToPem(der)) loose += c == '\n' ? std::string(" \r\n") : std::string(1, c);
        return Bytes(loose.begin(), loose.end()); }},
    {.label = "sha1WithRSAEncryption", .issue = [](Issue& i) { i.md = EVP_sha1(); }, .algorithm = cerrojo::kAlgSha1WithRsa},
    {.label = "md5WithRSAEncryption", .issue = [](Issue& i) { i.md = EVP_md5(); }, .algorithm = cerrojo::kAlgMd5WithRsa},
    {.label = "expired", .issue = [](Issue& i) { i.notBeforeDays = -400, i.notAfterDays = -30; }, .inForce = -1},
    {.label = "not yet valid", .issue = [](Issue& i) { i.notBeforeDays = 30, i.notAfterDays = 400; }, .inForce = 1},
    {.label = "GeneralizedTime after 2049", .issue = [](Issue& i) { i.notAfterDays = 365 * 40; }, .notAfterFrom = 2050},
    {.label = "for another key", .issue = [](Issue& i) { i.publicKey = M().otherKey.get(); }, .petitoraKey = false},
    {.label = "signed by another issuer", .otherIssuer = true},
    {.label = "UTF8String subject", .issue = [](Issue& i) { i.subject = M().utf8; }, .firstSubjectType = cerrojo::kDerIdUtf8String},
    {.label = "BMPString subject", .issue = [](Issue& i) { i.subject = M().bmp; }, .firstSubjectType = cerrojo::kDerIdBmpString},
    {.label = "two-digit years at both ends", .validity = "U500101000000Z U491231235959Z"},
    {.label = "29 February of a leap year", .validity = "U500101000000Z G20960229235959Z"},
    {.label = "v1", .issue = [](Issue& i) { i.version = 1; }, .status = cerrojo::StatusDerUnsupported},
    {.label = "serial number 0", .issue = [](Issue& i) { i.serial = "0"; }, .status = StatusDerBadValue},
    {.label = "a 2,056-bit key", .issue = [](Issue& i) { i.publicKey = M().largeKey.get(); }, .status = cerrojo::StatusDerTooLarge},
    {.label = "a byte after the end", .file = [](const Bytes& der) { Bytes b = der; b.push_back(0); return b; },
     .status = cerrojo::StatusDerTrailing, .openSslReads = false},
    {.label = "cut short", .file = [](const Bytes& der) { return Bytes(der.begin(), der.end() - 1); },
     .status = cerrojo::StatusDerTruncated, .openSslReads = false},
    {.label = "a length not in its shortest form", .file = [](const Bytes& der) {
        return Replaced(der, std::string("\x30\x82", 2), std::string("\x30\x83\x00", 3)); },
     .status = cerrojo::StatusDerBadLength},
    {.label = "a UTF8String that is not UTF-8", .issue = [](Issue& i) { i.subject = M().utf8; },
     .file = [](const Bytes& der) { return Replaced(der, "\xC3\x89", "\xC9\x41"); },
     .status = StatusDerBadValue, .openSslReads = false},
    {.label = "inner and outer signature algorithms differ", .file = [](const Bytes& der) {
        Bytes b = der;
        b[std::string(der.begin(), der.end()).rfind("\x2A\x86\x48\x86\xF7\x0D\x01\x01\x0B") + 8] = 0x05;
        return b; },
     .status = StatusDerBadValue},
    {.label = "a critical flag written FALSE", .file = [](const Bytes& der) {
        return Replaced(der, std::string("\x01\x01\xFF", 3), std::string("\x01\x01\x00", 3)); },
     .status = StatusDerBadValue},
    {.label = "UTCTime without seconds", .validity = "U5001010000Z U491231235959Z", .status = StatusDerBadValue},
    {.label = "UTCTime with an offset", .validity = "U500101000000+0100 U491231235959Z", .status = StatusDerBadValue},
    {.label = "GeneralizedTime with a fraction", .validity = "U500101000000Z G20510630120000.5Z", .status = StatusDerBadValue},
    {.label = "29 February of a common year", .validity = "U500101000000Z U230229000000Z", .status = StatusDerBadValue},
    {.label = "PEM with a blank line inside", .file = [](const Bytes& der) {
        const std::string pem = testsupport::ToPem(der);
        return Replaced(Pem(der), pem.substr(pem.find('\n') + 1, 65), pem.substr(pem.find('\n') + 1, 65) + "\n"); },
     .status = cerrojo::StatusPemBadText, .openSslReads = false},
    {.label = "PEM with a second block", .file = [](const Bytes& der) {
        Bytes b = Pem(der), again = Pem(der); b.insert(b.end(), again.begin(), again.end()); return b; },
     .status = cerrojo::StatusPemBadText},
    {.label = "PEM with a character outside Base64", .file = [](const Bytes& der) { return Replaced(Pem(der), "-----\n", "-----\n*"); },
     .status = cerrojo::StatusPemBadText, .openSslReads = false},
    {.label = "PEM of another kind", .file = [](const Bytes& der) { return Replaced(Pem(der), "BEGIN CERTIFICATE", "BEGIN X509 CRL"); },
     .status = cerrojo::StatusPemNoBlock, .openSslReads = false},
    {.label = "more than 64 KiB", .file = [](const Bytes& der) {
        Bytes b(65536, '\n'), pem = Pem(der); b.insert(b.end(), pem.begin(), pem.end()); return b; },
     .status = cerrojo::StatusDerTooLarge},
};
// clang-format on

// The Validity SEQUENCE for "U<text> G<text>" (UTCTime, GeneralizedTime).
Bytes Validity(const std::string& times) {
    Bytes contents;
    for (const std::string& t : {times.substr(0, times.find(' ')), times.substr(times.find(' ') + 1)}) {
        contents.push_back(t[0] == 'U' ? 0x17 : 0x18);
        contents.push_back(static_cast<std::uint8_t>(t.size() - 1));
        contents.insert(contents.end(), t.begin() + 1, t.end());
    }
    contents.insert(contents.begin(), {0x30, static_cast<std::uint8_t>(contents.size())});
    return contents;
}

// OpenSSL's verdict on a file: the whole DER read, or a PEM certificate found.
bool OpenSslReads(const Bytes& file) {
    const unsigned char* p = file.data();
    BIO* bio = BIO_new_mem_buf(file.data(), static_cast<int>(file.size()));
    X509* x = file[0] == 0x30 ? d2i_X509(nullptr, &p, static_cast<long>(file.size()))
                              : PEM_read_bio_X509(bio, nullptr, nullptr, nullptr);
    BIO_free(bio);
    X509_free(x);
    return x != nullptr && (file[0] != 0x30 || p == file.data() + file.size());
}

TEST(CertificateReader, OpenSslIssuedCertificatesReadAsOpenSslReadsThem) {
    const Material& m = M();
    ASSERT_TRUE(m.authority.certificate && m.other.certificate && m.otherKey && m.largeKey);
    const cerrojo::RsaPublicKey& petitora = dertest::TestKey(1024).publicKey;
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.label);
        Issue issue;
        if (c.issue != nullptr) c.issue(issue);
        Bytes der =
            testsupport::IssueCertificate(m.request, c.otherIssuer ? m.other : m.authority, issue);
        ASSERT_FALSE(der.empty());
        if (c.validity != nullptr) {
            const std::size_t at = std::string(der.begin(), der.end()).find("\x30\x1E\x17\x0D");
            der = testsupport::ReplaceElement(der, at, Validity(c.validity));
        }
        const Bytes file = c.file != nullptr ? c.file(der) : der;
        EXPECT_EQ(OpenSslReads(file), c.openSslReads);

        std::vector<std::uint8_t> storage(cerrojo::kMaxCertificateFile);
        const std::uint8_t* bytes = nullptr;
        std::uint32_t length = 0;
        int status = cerrojo::CertificateFileToDer(file.data(), static_cast<std::uint32_t>(file.size()),
                                                   storage.data(), cerrojo::kMaxCertificateFile,
                                                   &bytes, &length);
        const Bytes exact = status == 0 ? Bytes(bytes, bytes + length) : Bytes();
        cerrojo::ParsedCertificate parsed;  // read from an exact-size copy: no read past the end
        if (status == 0) status = cerrojo::ParseCertificate(exact.data(), length, &parsed);
        ASSERT_EQ(status, c.status);
        if (status != 0) continue;

        EXPECT_EQ(exact, der);
        EXPECT_EQ(testsupport::CompareWithOpenSsl(parsed, exact.data(), exact.size()), "");
        EXPECT_EQ(parsed.tbs, exact.data() + 4);
        EXPECT_EQ(testsupport::UpperHex(parsed.serial, parsed.serialLength), "4A3F00C1D2");
        EXPECT_EQ(parsed.extensionCount, 3u);
        EXPECT_EQ(parsed.signatureAlgorithm, c.algorithm);
        EXPECT_EQ(std::memcmp(parsed.publicKey.modulus, petitora.modulus, 256) == 0, c.petitoraKey);
        const cerrojo::DerValue& issuer = parsed.issuer.attributes[0].value;  // the CN
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(issuer.data), issuer.length),
                  c.otherIssuer ? "Otra AC" : "AC de prueba");
        EXPECT_EQ(parsed.subject.attributes[0].value.identifier, c.firstSubjectType);
        const std::int64_t now = std::time(nullptr);
        EXPECT_EQ(now < parsed.notBefore.seconds ? 1 : now > parsed.notAfter.seconds ? -1 : 0,
                  c.inForce);
        EXPECT_GE(parsed.notAfter.year, c.notAfterFrom);
    }
}

}  // namespace
