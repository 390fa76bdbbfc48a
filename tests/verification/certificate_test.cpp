// The certificate checks over certificates OpenSSL issued for a request this
// program made: one table of good, expired, not yet valid, foreign, damaged
// and oddly named certificates, each with the marks of its lines, what it
// shows and whether a .pfx is offered.
#include <gtest/gtest.h>
#include <openssl/sha.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "generation/generation_support.h"
#include "support/sample_files.h"
#include "support/seeded_pool.h"
#include "support/testdata.h"
#include "support/x509_certificates.h"
#include "verification/certificate.h"
#include "verification/verification_texts.h"

namespace {

using petitora::CheckState;
using petitora::Text;
using petitora::VerifyText;
using testsupport::Bytes;
constexpr CheckState P = CheckState::Passed, F = CheckState::Failed, N = CheckState::NotRun;

const std::string kPassword = "Contrase\xF1" "a 2026";  // Windows-1252

std::string Str(const Bytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

struct Case {
    const char* name;
    std::string certificate;
    std::optional<std::string> request, issuer;
    std::vector<CheckState> marks;
    std::map<VerifyText, std::string> shown;  // label -> value, a few per case
    std::string password = kPassword;
    std::int64_t later = 0;  // seconds added to the moment judged
};

TEST(Certificate, EveryCaseGivesItsLines) {
    const dertest::KeyPair& key = dertest::TestKey(1024);
    const dertest::KeyPair& other = dertest::TestKey(2048);
    dertest::SampleSlots slots, otherSlots;
    const std::string request = dertest::RequestBytes(key, 111, slots);
    const std::string keyFile = dertest::KeyFileBytes(key, 105, kPassword);
    const Bytes requestDer(request.begin(), request.end());
    const testsupport::Authority authority = testsupport::MakeAuthority("Autoridad de prueba", 2048);
    const testsupport::Authority stranger = testsupport::MakeAuthority("Otra autoridad", 2048);
    const testsupport::Authority large = testsupport::MakeAuthority("Autoridad grande", 3072);
    const auto issue = [&](testsupport::Issue how, const testsupport::Authority& by = {}) {
        const Bytes der = testsupport::IssueCertificate(
            requestDer, by.key ? by : authority, how);
        EXPECT_FALSE(der.empty());
        return der;
    };
    const auto issuerFile = [](const testsupport::Authority& a) {
        unsigned char* out = nullptr;
        const int length = i2d_X509(a.certificate.get(), &out);
        const std::string der(reinterpret_cast<char*>(out), static_cast<std::size_t>(length));
        OPENSSL_free(out);
        return der;
    };
    const Bytes good = issue({});
    X509_NAME* utf8 = testsupport::MakeName({{NID_commonName, V_ASN1_UTF8STRING, "JOS\u00c9 N\u00da\u00d1EZ \u4e2d"},
                                             {NID_x500UniqueIdentifier, V_ASN1_UTF8STRING, "PEXJ800101AB1"}});
    X509_NAME* bmp = testsupport::MakeName(
        {{NID_commonName, V_ASN1_BMPSTRING, std::string("\0J\0O\0S\0\xC9\0 \x20\xAC", 12)}});
    testsupport::Issue generalized, expired, notYet, sha1, md5, utf8Subject, bmpSubject;
    generalized.notAfterDays = 40 * 365;
    expired.notBeforeDays = -400, expired.notAfterDays = -30;
    notYet.notBeforeDays = 30, notYet.notAfterDays = 400;
    sha1.md = EVP_sha1();
    md5.md = EVP_md5();
    utf8Subject.subject = utf8;
    bmpSubject.subject = bmp;
    const std::string otherRequest = dertest::RequestBytes(other, 111, otherSlots);
    const Bytes otherCertificate =
        testsupport::IssueCertificate(Bytes(otherRequest.begin(), otherRequest.end()), authority);
    Bytes damaged = good;
    damaged[damaged.size() / 2] ^= 0x80;  // in the key or the names: the signature fails, or the form
    Bytes truncated(good.begin(), good.end() - 1);

    std::uint8_t sha[SHA_DIGEST_LENGTH];
    SHA1(good.data(), good.size(), sha);
    std::string fingerprint = testsupport::UpperHex(sha, 1);
    for (int i = 1; i < SHA_DIGEST_LENGTH; ++i) {
        fingerprint += ':';
        fingerprint += testsupport::UpperHex(sha + i, 1);
    }

    const std::vector<Case> cases = {
        {"good, with request and issuer", Str(good), request, issuerFile(authority), {P, P, P, P, P, P},
         {{VerifyText::LabelRfc, "PEXJ800101AB1"},
          {VerifyText::LabelRequestRfc, "coincide con el del certificado"},
          {VerifyText::LabelSerial, "4A3F00C1D2"},
          {VerifyText::LabelSignatureAlgorithm, "sha256WithRSAEncryption"},
          {VerifyText::LabelKeySize, "1024 bits"},
          {VerifyText::LabelFingerprint, fingerprint},
          {VerifyText::LabelIssuer, "CN=Autoridad de prueba"}}},
        {"good as PEM, key only", testsupport::ToPem(good), {}, {}, {P, P, P, P}, {}},
        {"judged two years later", Str(good), {}, {}, {P, P, P, F}, {}, kPassword, 2 * 365 * 86400},
        {"expired", Str(issue(expired)), {}, {}, {P, P, P, F}, {}},
        {"not yet valid", Str(issue(notYet)), {}, {}, {P, P, P, F}, {}},
        {"GeneralizedTime after 2049", Str(issue(generalized)), {}, {}, {P, P, P, P}, {}},
        {"SHA-1 signature", Str(issue(sha1)), {}, issuerFile(authority), {P, P, P, P, P},
         {{VerifyText::LabelSignatureAlgorithm, "sha1WithRSAEncryption"}}},
        {"MD5 signature", Str(issue(md5)), {}, issuerFile(authority), {P, P, P, P, P},
         {{VerifyText::LabelSignatureAlgorithm, "md5WithRSAEncryption"}}},
        {"other key", Str(otherCertificate), request, {}, {P, P, F, F, P}, {}},
        {"other issuer", Str(good), {}, issuerFile(stranger), {P, P, P, P, F}, {}},
        {"issuer key above 2048 bits", Str(issue({}, large)), {}, issuerFile(large), {P, P, P, P, N}, {}},
        {"wrong password", Str(good), {}, {}, {P, F, N, P}, {}, "otra clave"},
        {"damaged", Str(damaged), {}, issuerFile(authority), {}, {}},
        {"truncated", Str(truncated), request, issuerFile(authority), {F, P, N, N, N, N}, {}},
        {"issuer damaged", Str(good), {}, Str(truncated), {P, P, P, P, F}, {}},
        {"UTF8String subject", Str(issue(utf8Subject)), request, {}, {P, P, P, P, P},
         {{VerifyText::LabelRfc, "PEXJ800101AB1"},
          {VerifyText::LabelRequestRfc, "coincide con el del certificado"}}},
        {"BMPString subject", Str(issue(bmpSubject)), {}, {}, {P, P, P, P}, {}},
    };
    const std::int64_t now = std::time(nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const petitora::CertificateReport result = petitora::VerifyCertificate(
            c.certificate, keyFile, c.request, c.issuer, c.password, now + c.later);
        std::vector<CheckState> marks;
        for (const petitora::CheckLine& line : result.report.checks) marks.push_back(line.state);
        std::map<std::string, std::string> shown;
        for (const petitora::ContentLine& line : result.report.contents) shown.emplace(line.label, line.value);
        if (c.marks.empty()) {  // damaged inside: which check fails depends on the byte
            EXPECT_FALSE(result.report.AllPassed());
        } else {
            EXPECT_EQ(marks, c.marks);
            const bool keyMatches = c.marks[2] == P && (!c.request || c.marks[3] == P);
            EXPECT_EQ(result.pfx != nullptr, keyMatches);
        }
        for (const auto& [label, value] : c.shown) EXPECT_EQ(shown[Text(label)], value) << Text(label);
        if (std::string(c.name) == "GeneralizedTime after 2049") {
            EXPECT_GE(std::stoi(shown[Text(VerifyText::LabelValidUntil)].substr(6, 4)), 2050);
        }
        if (std::string(c.name) == "UTF8String subject" || std::string(c.name) == "BMPString subject") {
            EXPECT_EQ(shown[petitora::Format(Text(VerifyText::LabelSubject), {"CN"})],
                      c.name[0] == 'U' ? "JOS\xC9 N\xDA\xD1" "EZ ?" : "JOS\xC9 \x80");
        }
    }
    X509_NAME_free(utf8);
    X509_NAME_free(bmp);
}

// The .pfx is written whole or not at all: a failure at any step of the
// store leaves an earlier file of that name as it was and no temporary file
// behind; an existing file is replaced only when the user agreed.
TEST(Certificate, PfxIsWrittenWholeOrNotAtAll) {
    using Op = gentest::FaultyFileSystem::Op;
    const dertest::KeyPair& key = dertest::TestKey(1024);
    dertest::SampleSlots slots;
    const std::string request = dertest::RequestBytes(key, 111, slots);
    const testsupport::Authority authority = testsupport::MakeAuthority("Autoridad de prueba", 2048);
    const Bytes certificate =
        testsupport::IssueCertificate(Bytes(request.begin(), request.end()), authority);
    const petitora::CertificateReport checked =
        petitora::VerifyCertificate(Str(certificate), dertest::KeyFileBytes(key, 105, kPassword),
                                    std::nullopt, std::nullopt, kPassword, std::time(nullptr));
    ASSERT_NE(checked.pfx, nullptr);
    EXPECT_EQ(checked.pfx->friendlyName, "PEXJ800101AB1");
    gentest::ScratchFolder folder;
    const std::string path = folder / "pexj.pfx";
    const auto contents = [&path] {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    cerrojo::RandomPool pool;
    testsupport::SeedPool(&pool, 7);
    const struct {
        Op fault;
        bool replace;
        petitora::PfxResult result;
    } cases[] = {
        {Op::None, false, petitora::PfxResult::Written},
        {Op::None, false, petitora::PfxResult::Exists},
        {Op::CreateTemporary, true, petitora::PfxResult::NotWritten},
        {Op::Write, true, petitora::PfxResult::NotWritten},
        {Op::Flush, true, petitora::PfxResult::NotWritten},
        {Op::Close, true, petitora::PfxResult::NotWritten},
        {Op::Rename, true, petitora::PfxResult::NotWritten},
        {Op::None, true, petitora::PfxResult::Written},
    };
    std::string before;
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.fault));
        gentest::FaultyFileSystem files(c.fault, 1);
        EXPECT_EQ(petitora::SavePfx(files, path, *checked.pfx, "Nueva clave 2026", &pool, c.replace),
                  c.result);
        EXPECT_EQ(folder.List(), std::set<std::string>{"pexj.pfx"});
        EXPECT_TRUE(files.openHandles.empty());
        const std::string after = contents();
        EXPECT_EQ(after != before, c.result == petitora::PfxResult::Written);  // new salts each time
        EXPECT_EQ(std::filesystem::status(path).permissions() & std::filesystem::perms::all,
                  std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
        before = after;
    }
}

}  // namespace
