// Verifying a request and its key file: pairs written by Cerrojo's builders
// and by the openssl command pass every check and show their contents; a
// wrong password, a foreign key, damage of any kind and things that are not
// files each fail their line, never crash, and change nothing on disk.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "support/openssl_files.h"
#include "support/sample_files.h"
#include "support/temp_folder.h"
#include "support/testdata.h"
#include "verification/verification.h"
#include "verification/verification_texts.h"

namespace {

namespace fs = std::filesystem;
using petitora::CheckState;
using petitora::Format;
using petitora::Text;
using petitora::VerificationReport;
using petitora::VerifyText;

const std::string kPassword =
    "Contrase\xF1"
    "a 2026";  // Windows-1252, as the dialog passes it

std::string Request(const dertest::KeyPair& key, cerrojo::AlgorithmId algorithm,
                    dertest::SampleSlots& slots) {
    return dertest::RequestBytes(key, algorithm, slots);
}

std::string KeyFile(const dertest::KeyPair& key, cerrojo::AlgorithmId algorithm,
                    const std::string& password = kPassword) {
    return dertest::KeyFileBytes(key, algorithm, password);
}

// The value of a content line, or "<none>".
std::string Content(const VerificationReport& report, VerifyText label) {
    for (const petitora::ContentLine& line : report.contents) {
        if (line.label == Text(label)) return line.value;
    }
    return "<none>";
}

std::vector<CheckState> States(const VerificationReport& report) {
    std::vector<CheckState> states;
    for (const petitora::CheckLine& line : report.checks) states.push_back(line.state);
    return states;
}

const std::vector<CheckState> kAllPassed = {CheckState::Passed, CheckState::Passed,
                                            CheckState::Passed};

class Verification : public testing::Test {
  protected:
    static void SetUpTestSuite() { folder_ = new testsupport::TempFolder("petitora-verify"); }
    static void TearDownTestSuite() { delete folder_; }
    static std::string Path(const std::string& name) { return folder_->Path(name); }
    static std::string Write(const std::string& name, const std::string& bytes) {
        return folder_->Write(name, bytes);
    }
    static int Run(const std::string& command) {
        const int status = std::system((command + " >/dev/null 2>&1").c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    static testsupport::TempFolder* folder_;
};

testsupport::TempFolder* Verification::folder_ = nullptr;

TEST_F(Verification, CerrojoPairsPassEveryCheck) {
    for (int bits : {1024, 2048}) {
        const dertest::KeyPair& key = dertest::TestKey(bits);
        for (cerrojo::AlgorithmId signature : {101u, 102u, 103u, 111u}) {
            for (cerrojo::AlgorithmId cipher : {104u, 105u}) {
                SCOPED_TRACE(std::to_string(bits) + " " + std::to_string(signature) + " " +
                             std::to_string(cipher));
                dertest::SampleSlots slots;
                const VerificationReport report = petitora::VerifyFiles(
                    Request(key, signature, slots), KeyFile(key, cipher), kPassword);
                EXPECT_EQ(States(report), kAllPassed);
                EXPECT_TRUE(report.AllPassed());
                EXPECT_EQ(Content(report, VerifyText::LabelKeySize),
                          std::to_string(bits) + " bits");
            }
        }
    }
}

TEST_F(Verification, ReportLinesOfAGoodPair) {
    const dertest::KeyPair& key = dertest::TestKey(1024);
    dertest::SampleSlots slots;
    const VerificationReport report =
        petitora::VerifyFiles(Request(key, 103, slots), KeyFile(key, 105), kPassword);
    const std::vector<std::string> expected = {
        "[Correcto] La solicitud de certificado (.req) est\xE1 bien formada y su firma "
        "(md5WithRSAEncryption) es v\xE1lida.",
        "[Correcto] La contrase\xF1"
        "a abre la llave privada (.key) y la llave RSA es consistente.",
        "[Correcto] La llave privada corresponde a la solicitud (mismo m\xF3"
        "dulo y exponente "
        "p\xFA"
        "blico).",
        "RFC: PEXJ800101AB1",
        "RFC del representante legal: LOMM750505XY2",
        "Raz\xF3n social: CER\xC1MICA DEL BAJ\xCDO SA DE CV",
        "Nombre: JOS\xC9  N\xDA\xD1"
        "EZ  P\xC9REZ \\ MAR\xCD"
        "A  L\xD3PEZ",
        "CURP: PEXJ800101HDFRRN09",
        "Correo electr\xF3nico: jose.nunez@ejemplo.com.mx",
        "Entidad federativa: EDO. DE M\xC9XICO",
        "Tama\xF1o de la llave: 1024 bits",
        "Algoritmo de firma: md5WithRSAEncryption",
    };
    EXPECT_EQ(petitora::ReportLines(report), expected);
}

// The registrant-kind texts of the seven kinds: the CURP is shown when there
// is one, whatever comes before it; entities show their business name.
TEST_F(Verification, ContentsOfEveryRegistrantKind) {
    const struct {
        const char* kind;
        bool entity;
        const char* curp;
    } kinds[] = {
        {"T=FI; CURP=PEXJ800101HDFRRN09", false, "PEXJ800101HDFRRN09"},
        {"T=MO", true, nullptr},
        {"T=CP; CPR=5678", false, nullptr},
        {"T=AA; PAT=1234; CURP=LOMM750505MDFPRR02", false, "LOMM750505MDFPRR02"},
        {"T=MA; PAT=99; CURP=LOMM750505MDFPRR02", false, "LOMM750505MDFPRR02"},
        {"T=AP; PAT=7", false, nullptr},
        {"T=BA", true, nullptr},
    };
    const dertest::KeyPair& key = dertest::TestKey(1024);
    for (const auto& k : kinds) {
        SCOPED_TRACE(k.kind);
        dertest::SampleSlots slots(true, k.entity);
        slots.kind = k.kind;
        slots.attributes[2] = dertest::SampleSlots::Span(slots.kind);
        const VerificationReport report =
            petitora::VerifyFiles(Request(key, 103, slots), KeyFile(key, 105), kPassword);
        EXPECT_TRUE(report.AllPassed());
        EXPECT_EQ(Content(report, VerifyText::LabelCurp),
                  k.curp ? k.curp : Text(VerifyText::ValueAbsent));
        EXPECT_EQ(Content(report, VerifyText::LabelBusinessName),
                  k.entity ? slots.organization : "<none>");
    }

    // No e-mail and no representative.
    dertest::SampleSlots bare(false, false);
    bare.uniqueId = "PELJ800101AB1";
    bare.name[9] = dertest::SampleSlots::Span(bare.uniqueId);
    const VerificationReport report = petitora::VerifyFiles(Request(key, 103, bare), {}, "");
    EXPECT_TRUE(report.AllPassed());
    EXPECT_EQ(report.checks.size(), 1u);
    EXPECT_EQ(Content(report, VerifyText::LabelRfc), "PELJ800101AB1");
    EXPECT_EQ(Content(report, VerifyText::LabelRepresentativeRfc), "<none>");
    EXPECT_EQ(Content(report, VerifyText::LabelEmail), Text(VerifyText::ValueAbsent));
}

// Files made by the openssl command, as a registrant's own tools would.
TEST_F(Verification, OpenSslCommandFilesPass) {
    const std::string key = Path("ossl.pem"), request = Path("ossl.req"),
                      keyFile = Path("ossl.key");
    Write("pass.txt", "clave-\xC3\xB1");  // UTF-8, as a terminal gives it
    ASSERT_EQ(Run("openssl genrsa -out '" + key + "' 2048"), 0);
    ASSERT_EQ(Run("openssl req -new -md5 -utf8 -key '" + key + "' -outform DER -out '" + request +
                  "' -subj '/CN=JOS\xC3\x89  N\xC3\x9A\xC3\x91"
                  "EZ/x500UniqueIdentifier=NUXJ800101AB1"
                  "/ST=OAXACA/emailAddress=jose@ejemplo.mx'"),
              0);
    ASSERT_EQ(
        Run("openssl pkcs8 -topk8 -v1 PBE-MD5-DES -provider legacy -provider default -in '" + key +
            "' -outform DER -out '" + keyFile + "' -passout 'file:" + Path("pass.txt") + "'"),
        0);
    const VerificationReport report = petitora::VerifyFilesAt(request, keyFile, "clave-\xC3\xB1");
    EXPECT_EQ(States(report), kAllPassed);
    EXPECT_EQ(Content(report, VerifyText::LabelName),
              "JOS\xC9  N\xDA\xD1"
              "EZ");
    EXPECT_EQ(Content(report, VerifyText::LabelRfc), "NUXJ800101AB1");
    EXPECT_EQ(Content(report, VerifyText::LabelEmail), "jose@ejemplo.mx");
    EXPECT_EQ(Content(report, VerifyText::LabelState), "OAXACA");
    EXPECT_EQ(Content(report, VerifyText::LabelSignatureAlgorithm), "md5WithRSAEncryption");

    // The default digest is one the request check does not verify: named, and refused.
    ASSERT_EQ(
        Run("openssl req -new -key '" + key + "' -outform DER -out '" + request + "' -subj /CN=X"),
        0);
    const VerificationReport sha256 = petitora::VerifyFilesAt(request, std::nullopt, "");
    ASSERT_EQ(sha256.checks.size(), 1u);
    EXPECT_EQ(sha256.checks[0].text, Text(VerifyText::RequestUnsupportedSignature));
    EXPECT_EQ(Content(sha256, VerifyText::LabelSignatureAlgorithm), "sha256WithRSAEncryption");
}

TEST_F(Verification, WrongPasswordForeignKeyAndFlippedSignature) {
    const dertest::KeyPair& key = dertest::TestKey(1024);
    dertest::SampleSlots slots;
    const std::string request = Request(key, 103, slots);
    const std::string keyFile = KeyFile(key, 105);

    VerificationReport report = petitora::VerifyFiles(request, keyFile, kPassword + "x");
    EXPECT_EQ(States(report),
              (std::vector{CheckState::Passed, CheckState::Failed, CheckState::NotRun}));
    EXPECT_EQ(report.checks[1].text, Text(VerifyText::KeyWrongPassword));
    EXPECT_EQ(report.checks[2].text, Text(VerifyText::PairNotChecked));
    // The key file was read; it is the password that did not open it.
    EXPECT_NE(report.checks[2].text.find("no se pudo abrir la llave privada"), std::string::npos);
    EXPECT_FALSE(report.AllPassed());

    report = petitora::VerifyFiles(request, KeyFile(dertest::TestKey(2048), 105), kPassword);
    EXPECT_EQ(States(report),
              (std::vector{CheckState::Passed, CheckState::Passed, CheckState::Failed}));
    EXPECT_EQ(report.checks[2].text, Text(VerifyText::PairMismatch));

    std::string flipped = request;
    flipped[flipped.size() - 1] ^= 0x40;
    report = petitora::VerifyFiles(flipped, keyFile, kPassword);
    EXPECT_EQ(States(report),
              (std::vector{CheckState::Failed, CheckState::Passed, CheckState::Passed}));
    EXPECT_EQ(report.checks[0].text, Text(VerifyText::RequestBadSignature));
    EXPECT_FALSE(report.contents.empty());  // still shown, for the user to compare
}

TEST_F(Verification, EveryTruncationOfEitherFileFails) {
    const dertest::KeyPair& key = dertest::TestKey(1024);
    dertest::SampleSlots slots;
    const std::string request = Request(key, 103, slots);
    const std::string keyFile = KeyFile(key, 105);
    for (std::size_t cut = 0; cut < request.size(); ++cut) {
        const VerificationReport report =
            petitora::VerifyFiles(request.substr(0, cut), keyFile, kPassword);
        ASSERT_EQ(States(report),
                  (std::vector{CheckState::Failed, CheckState::Passed, CheckState::NotRun}))
            << cut;
        EXPECT_EQ(report.checks[0].text, Text(VerifyText::RequestDamaged));
    }
    for (std::size_t cut = 0; cut < keyFile.size(); ++cut) {
        const VerificationReport report =
            petitora::VerifyFiles(request, keyFile.substr(0, cut), kPassword);
        ASSERT_EQ(States(report),
                  (std::vector{CheckState::Passed, CheckState::Failed, CheckState::NotRun}))
            << cut;
        EXPECT_EQ(report.checks[1].text, Text(VerifyText::KeyDamaged));
    }
}

// One changed byte anywhere in either file never passes every check.
TEST_F(Verification, RandomByteChangesNeverPass) {
    const dertest::KeyPair& key = dertest::TestKey(1024);
    dertest::SampleSlots slots;
    const std::string request = Request(key, 111, slots);
    const std::string keyFile = KeyFile(key, 105);
    std::mt19937 random(11);
    const int rounds = testsupport::Scaled(1500, 300);
    for (int round = 0; round < rounds; ++round) {
        std::string changedRequest = request, changedKey = keyFile;
        std::string& target = round % 2 == 0 ? changedRequest : changedKey;
        const std::size_t at = random() % target.size();
        target[at] = static_cast<char>(target[at] ^ (1 + random() % 255));
        const VerificationReport report =
            petitora::VerifyFiles(changedRequest, changedKey, kPassword);
        ASSERT_EQ(report.checks.size(), 3u);
        EXPECT_FALSE(report.AllPassed()) << (round % 2 == 0 ? "request" : "key") << " byte " << at;
    }
}

TEST_F(Verification, ThingsThatAreNotFilesAreRefusedAndLeftAlone) {
    const dertest::KeyPair& key = dertest::TestKey(1024);
    dertest::SampleSlots slots;
    const std::string request = Write("good.req", Request(key, 103, slots));
    const std::string directory = Path("folder.key");
    ASSERT_TRUE(fs::create_directory(directory));
    const std::string pipe = Path("pipe.key");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    const std::string huge =
        Write("huge.key", std::string(petitora::kMaxVerifiedFileSize + 1, 'x'));
    const std::string limit = Write("limit.key", std::string(petitora::kMaxVerifiedFileSize, 'x'));

    const auto keyLine = [&](const std::string& path) {
        const VerificationReport report = petitora::VerifyFilesAt(request, path, kPassword);
        EXPECT_EQ(report.checks[0].state, CheckState::Passed);
        EXPECT_EQ(report.checks[2].state, CheckState::NotRun);
        EXPECT_EQ(report.checks[1].state, CheckState::Failed);
        return report.checks[1].text;
    };
    const std::string keyName = Text(VerifyText::KeyFile);
    EXPECT_EQ(keyLine(directory), Format(Text(VerifyText::NotRegularFile), {keyName}));
    EXPECT_EQ(keyLine(pipe), Format(Text(VerifyText::NotRegularFile), {keyName}));
    EXPECT_EQ(keyLine("/dev/zero"), Format(Text(VerifyText::NotRegularFile), {keyName}));
    EXPECT_EQ(keyLine(huge), Format(Text(VerifyText::FileTooLarge), {keyName}));
    EXPECT_EQ(keyLine(Path("missing.key")), Format(Text(VerifyText::CannotOpen), {keyName}));
    EXPECT_EQ(keyLine(limit), Text(VerifyText::KeyDamaged));  // read, then refused

    const VerificationReport noRequest = petitora::VerifyFilesAt(directory, std::nullopt, "");
    ASSERT_EQ(noRequest.checks.size(), 1u);
    EXPECT_EQ(noRequest.checks[0].text,
              Format(Text(VerifyText::NotRegularFile), {Text(VerifyText::RequestFile)}));
    EXPECT_TRUE(noRequest.contents.empty());

    // Nothing was written or created.
    EXPECT_EQ(fs::file_size(huge), petitora::kMaxVerifiedFileSize + 1);
    EXPECT_TRUE(fs::is_fifo(pipe));
    EXPECT_TRUE(fs::is_empty(directory));
    EXPECT_FALSE(fs::exists(Path("missing.key")));

    // A symbolic link to a regular file is read like the file.
    fs::create_symlink(request, Path("link.req"));
    EXPECT_TRUE(petitora::VerifyFilesAt(Path("link.req"), std::nullopt, "").AllPassed());
}

// Well-formed files of kinds the checks do not handle each say so.
TEST_F(Verification, FilesOfOtherKindsSaySo) {
    const auto text = [](const std::vector<std::uint8_t>& bytes) {
        return std::string(bytes.begin(), bytes.end());
    };
    const dertest::Pkey ec(EVP_EC_gen("P-256"), EVP_PKEY_free);
    ASSERT_NE(ec, nullptr);
    VerificationReport report = petitora::VerifyFiles(
        text(dertest::OpenSslRequest(ec.get(), EVP_sha256())), std::nullopt, "");
    EXPECT_EQ(report.checks[0].text, Text(VerifyText::RequestUnsupported));
    EXPECT_TRUE(report.contents.empty());

    const dertest::Pkey large = dertest::GenerateOpenSslKey(2056);
    report = petitora::VerifyFiles(
        text(dertest::OpenSslRequest(large.get(), EVP_sha1())),
        text(dertest::OpenSslKeyFile(large.get(), "x", NID_pbeWithMD5AndDES_CBC, 1)), "x");
    EXPECT_EQ(report.checks[0].text, Text(VerifyText::RequestKeyTooLarge));
    EXPECT_EQ(report.checks[1].text, Text(VerifyText::KeyTooLarge));
    EXPECT_EQ(report.checks[2].state, CheckState::NotRun);

    const dertest::Pkey key = dertest::ToOpenSsl(dertest::TestKey(1024).privateKey);
    report = petitora::VerifyFiles("", text(dertest::OpenSslKeyFile(key.get(), "x", -1, 1)), "x");
    EXPECT_EQ(report.checks[1].text, Text(VerifyText::KeyUnsupportedCipher));
    const std::uint32_t tooMany = petitora::kMaxKeyFileIterations + 1;
    report = petitora::VerifyFiles(
        "", text(dertest::OpenSslKeyFile(key.get(), "x", NID_pbeWithMD5AndDES_CBC, tooMany)), "x");
    EXPECT_EQ(report.checks[1].text, Format(Text(VerifyText::KeyTooManyIterations),
                                            {std::to_string(petitora::kMaxKeyFileIterations)}));
    report = petitora::VerifyFiles(
        "", text(dertest::OpenSslKeyFile(key.get(), "x", NID_pbeWithMD5AndDES_CBC, tooMany - 1)),
        "x");
    EXPECT_EQ(report.checks[1].state, CheckState::Passed);
}

// What a file holds may not drive a terminal or flood the dialog.
TEST_F(Verification, ShownValuesAreSafe) {
    dertest::SampleSlots slots;
    slots.commonName =
        "JUAN\x1B[2J\x07\x9D"
        "PEREZ";
    slots.name[2] = dertest::SampleSlots::Span(slots.commonName);
    slots.state = std::string(300, 'A');
    slots.name[7] = dertest::SampleSlots::Span(slots.state);
    const VerificationReport report =
        petitora::VerifyFiles(Request(dertest::TestKey(1024), 103, slots), std::nullopt, "");
    EXPECT_EQ(Content(report, VerifyText::LabelName), "JUAN?[2J??PEREZ");
    EXPECT_EQ(Content(report, VerifyText::LabelState), std::string(200, 'A') + "...");
}

}  // namespace
