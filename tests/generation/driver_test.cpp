// The generation run end to end: the two files of every kind as OpenSSL reads
// them, the failures that must leave earlier files alone, and the checks made
// before anything is stored.
#include "generation/driver.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <openssl/evp.h>
#include <openssl/objects.h>
#include <openssl/x509.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "capture/rules.h"
#include "generation/file_names.h"
#include "generation/generation_support.h"
#include "generation/job.h"
#include "generation/texts.h"
#include "support/openssl_pair.h"

namespace {

using namespace petitora;
using gentest::AllZero;
using gentest::ExpectEarlierPairOnly;
using gentest::PlantEarlierPair;
using gentest::ReadBytes;
using gentest::ScratchFolder;
using gentest::Session;
using gentest::W;
using gentest::WriteBytes;
using testsupport::CheckPair;

const std::string& kPassword = gentest::kSessionPassword;

struct Expected {
    const char* label;
    RegistrantRecord record;
    std::string fileBase;  // UTF-8
    std::string organization, commonName, street, state, locality, uniqueId, email, kind;
};

std::string AsText(const ASN1_STRING* s) {
    return std::string(reinterpret_cast<const char*>(ASN1_STRING_get0_data(s)),
                       static_cast<std::size_t>(ASN1_STRING_length(s)));
}

std::string OpenSslChallenge(const std::string& input) {
    unsigned char digest[16];
    unsigned int length = 0;
    EVP_Digest(input.data(), input.size(), digest, &length, EVP_md5(), nullptr);
    char text[32] = {};
    EVP_EncodeBlock(reinterpret_cast<unsigned char*>(text), digest, 16);
    return text;
}

void CheckTexts(const std::string& request, const Expected& e) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(request.data());
    X509_REQ* req = d2i_X509_REQ(nullptr, &p, static_cast<long>(request.size()));
    ASSERT_NE(req, nullptr);
    std::vector<std::pair<int, std::string>> subject;
    if (!e.organization.empty()) subject.push_back({NID_organizationName, e.organization});
    subject.insert(subject.end(), {{NID_commonName, e.commonName},
                                   {NID_streetAddress, e.street},
                                   {NID_postalCode, "06000"},
                                   {NID_countryName, "MX"},
                                   {NID_stateOrProvinceName, e.state},
                                   {NID_localityName, e.locality},
                                   {NID_x500UniqueIdentifier, e.uniqueId}});
    const X509_NAME* name = X509_REQ_get_subject_name(req);
    ASSERT_EQ(X509_NAME_entry_count(name), static_cast<int>(subject.size()));
    for (int i = 0; i < X509_NAME_entry_count(name); ++i) {
        const X509_NAME_ENTRY* entry = X509_NAME_get_entry(name, i);
        EXPECT_EQ(OBJ_obj2nid(X509_NAME_ENTRY_get_object(entry)), subject[i].first) << i;
        EXPECT_EQ(AsText(X509_NAME_ENTRY_get_data(entry)), subject[i].second) << i;
    }

    const RegistrantRecord& r = e.record;
    std::vector<std::pair<int, std::string>> attributes = {
        {NID_pkcs9_extCertAttributes, e.kind},
        {NID_pkcs9_challengePassword,
         OpenSslChallenge((r.rfcEntityLetters.empty() ? r.rfcLetters : r.rfcEntityLetters) +
                          r.rfcDate + r.rfcHomoclave + r.revocationKey)}};
    if (!e.email.empty()) attributes.push_back({NID_pkcs9_emailAddress, e.email});
    ASSERT_EQ(X509_REQ_get_attr_count(req), static_cast<int>(attributes.size()));
    for (int i = 0; i < X509_REQ_get_attr_count(req); ++i) {
        X509_ATTRIBUTE* attribute = X509_REQ_get_attr(req, i);
        EXPECT_EQ(OBJ_obj2nid(X509_ATTRIBUTE_get0_object(attribute)), attributes[i].first);
        const ASN1_TYPE* value = X509_ATTRIBUTE_get0_type(attribute, 0);
        ASSERT_NE(value, nullptr);
        EXPECT_EQ(value->type, attributes[i].first == NID_pkcs9_emailAddress
                                   ? V_ASN1_IA5STRING
                                   : V_ASN1_PRINTABLESTRING);
        EXPECT_EQ(AsText(value->value.asn1_string), attributes[i].second);
    }
    X509_REQ_free(req);
}

std::vector<Expected> Cases() {
    using gentest::Registrant;
    std::vector<Expected> cases;
    const std::string street = "AV. REFORMA  10    CENTRO  12";
    cases.push_back({"PersonaFisica", Registrant(UserType::PersonaFisica), "PELJ800101AB1", "",
                     "JUAN  PEREZ  LOPEZ", street, "DISTRITO FEDERAL", "CUAUHTEMOC",
                     "PELJ800101AB1", "juan@example.mx", "T=FI"});

    RegistrantRecord full = Registrant(UserType::PersonaFisica);
    full.repRfcLetters = "RUXA", full.repRfcDate = "750505", full.repRfcHomoclave = "XY2";
    full.repName = "ANA", full.repPaternalSurname = "RUIZ";
    full.curp = "PELJ800101HDFRPN09";
    full.interiorNumber = "3B";
    full.locality = "SANTA FE";
    full.stateIndex = 10, full.regionalOffice = "15 NAUCALPAN";
    cases.push_back({"PersonaFisicaFull", full, "PELJ800101AB1", "",
                     "JUAN  PEREZ  LOPEZ \\ ANA  RUIZ", "AV. REFORMA  10  3B  CENTRO  15",
                     W("EDO. DE MÉXICO"), "CUAUHTEMOC  SANTA FE", "PELJ800101AB1 \\ RUXA750505XY2",
                     "juan@example.mx", "T=FI; CURP=PELJ800101HDFRPN09"});

    cases.push_back({"PersonaMoral", Registrant(UserType::PersonaMoral), "ACM800101AB1", "ACME SA",
                     "ANA  RUIZ  SOTO", street, "DISTRITO FEDERAL", "CUAUHTEMOC",
                     "ACM800101AB1 \\ RUSA750505XY2", "juan@example.mx", "T=MO"});

    cases.push_back({"ContadorPublico", Registrant(UserType::ContadorPublico), "PELJ800101AB1", "",
                     "JUAN  PEREZ  LOPEZ", street, "DISTRITO FEDERAL", "CUAUHTEMOC",
                     "PELJ800101AB1", "juan@example.mx", "T=CP; CPR=5678"});

    // Customs kinds choose no office: the hidden list's first item still ends the street.
    RegistrantRecord agent = Registrant(UserType::AgenteAduanal);
    agent.email.clear();
    agent.curp = "PELJ800101MDFRPN01";
    agent.stateIndex = 7, agent.regionalOffice = "01 CELAYA";
    cases.push_back({"AgenteAduanal", agent, "PELJ800101AB1", "", "JUAN  PEREZ  LOPEZ",
                     "AV. REFORMA  10    CENTRO  01", "COLIMA", "CUAUHTEMOC", "PELJ800101AB1", "",
                     "T=AA; PAT=1234; CURP=PELJ800101MDFRPN01"});

    RegistrantRecord proxy = Registrant(UserType::Mandatario);
    proxy.rfcLetters = W("NUÑE");
    proxy.name = W("JOSÉ");
    proxy.paternalSurname = W("NUÑEZ");
    proxy.maternalSurname.clear();
    proxy.locality = "TLALPAN";
    cases.push_back({"Mandatario", proxy, "NUÑE800101AB1", "", W("JOSÉ  NUÑEZ"), street,
                     "DISTRITO FEDERAL", "CUAUHTEMOC  TLALPAN", W("NUÑE800101AB1"),
                     "juan@example.mx", "T=MA; PAT=1234"});

    RegistrantRecord attorney = Registrant(UserType::ApoderadoAduanal);
    attorney.repRfcLetters = "RUSA", attorney.repRfcDate = "750505",
    attorney.repRfcHomoclave = "XY2";
    attorney.repName = "ANA", attorney.repPaternalSurname = "RUIZ",
    attorney.repMaternalSurname = "SOTO";
    cases.push_back({"ApoderadoAduanal", attorney, "PELJ800101AB1", "",
                     "JUAN  PEREZ  LOPEZ \\ ANA  RUIZ  SOTO", street, "DISTRITO FEDERAL",
                     "CUAUHTEMOC", "PELJ800101AB1 \\ RUSA750505XY2", "juan@example.mx",
                     "T=AP; PAT=1234"});

    RegistrantRecord bank = Registrant(UserType::Banco);
    bank.name = "BANCO DEL NORTE SA";
    bank.repMaternalSurname.clear();
    cases.push_back({"Banco", bank, "ACM800101AB1", "BANCO DEL NORTE SA", "ANA  RUIZ", street,
                     "DISTRITO FEDERAL", "CUAUHTEMOC", "ACM800101AB1 \\ RUSA750505XY2",
                     "juan@example.mx", "T=BA"});
    return cases;
}

class EveryKind : public testing::TestWithParam<Expected> {};

TEST_P(EveryKind, WritesAPairThatOpenSslAcceptsWithTheRegistrantsTexts) {
    const Expected& e = GetParam();
    Session session(e.record);
    const KeyOptionsOutcome outcome = session.Accept();
    ASSERT_TRUE(outcome.closeWithOk) << testing::PrintToString(session.messages.Texts());
    EXPECT_EQ(session.folder.List(),
              (std::set<std::string>{e.fileBase + ".req", e.fileBase + ".key"}));
    EXPECT_EQ(session.RunMessages(), std::vector<std::string>{Text(GenerationText::Success)});
    const std::string request = session.Read(e.fileBase + ".req");
    EXPECT_EQ(CheckPair(request, session.Read(e.fileBase + ".key"), kPassword), 1024);
    CheckTexts(request, e);
    EXPECT_EQ(session.host.waitNotices, 1);
    EXPECT_EQ(session.host.eventsFed, 1024u);
}

INSTANTIATE_TEST_SUITE_P(Generation, EveryKind, testing::ValuesIn(Cases()),
                         [](const auto& info) { return std::string(info.param.label); });

TEST(Generation, TwoThousandBitsAndSecretsWipedAfterTheRun) {
    Session session(gentest::Registrant(UserType::PersonaMoral), 1);
    ASSERT_TRUE(session.Accept().closeWithOk);
    EXPECT_EQ(session.host.eventsFed, 2048u);
    EXPECT_EQ(
        CheckPair(session.Read("ACM800101AB1.req"), session.Read("ACM800101AB1.key"), kPassword),
        2048);
    EXPECT_TRUE(AllZero(session.capture.privateKeyBuffer.data(), kPrivateKeyBufferSize));
    EXPECT_TRUE(AllZero(session.capture.workBuffer.data(), kWorkBufferSize));
    EXPECT_TRUE(AllZero(&session.pool, sizeof session.pool));
    EXPECT_EQ(session.job.outputName, "ACM800101AB1.req");  // never the key file's name
}

TEST(Generation, SystemEntropyMakesEveryRunDifferentAndItsAbsenceRepeatable) {
    std::string requests[4];
    for (int i = 0; i < 4; ++i) {
        Session session(gentest::Registrant(UserType::PersonaFisica));
        session.job.useSystemEntropy = i >= 2;
        ASSERT_TRUE(session.Generate());
        requests[i] = session.Read("PELJ800101AB1.req") + session.Read("PELJ800101AB1.key");
    }
    EXPECT_EQ(requests[0], requests[1]);
    EXPECT_NE(requests[1], requests[2]);
    EXPECT_NE(requests[2], requests[3]);
}

TEST(Generation, NoKeyPairWithoutTheMouseEventsOrWithTooLargeAKey) {
    const std::string noKeyPair = Text(GenerationText::NoKeyPair);
    {
        SCOPED_TRACE("entropy dialog cancelled");
        Session session(gentest::Registrant(UserType::PersonaFisica));
        PlantEarlierPair(session.folder, "PELJ800101AB1");
        session.host.cancel = true;
        EXPECT_FALSE(session.Accept().closeWithOk);
        EXPECT_EQ(session.RunMessages(), std::vector<std::string>{noKeyPair});
        EXPECT_EQ(session.messages.shown.back().caption, "Petitora");
        EXPECT_EQ(session.host.workCalls, 0);
        ExpectEarlierPairOnly(session.folder, "PELJ800101AB1");
    }
    {
        SCOPED_TRACE("4096 bits fail before any mouse movement");
        Session session(gentest::Registrant(UserType::PersonaFisica), 2);
        EXPECT_FALSE(session.Accept().closeWithOk);
        EXPECT_EQ(session.RunMessages(), std::vector<std::string>{noKeyPair});
        EXPECT_EQ(session.host.collections + session.host.waitNotices, 0);
        EXPECT_TRUE(session.folder.List().empty());
    }
    {
        SCOPED_TRACE("Enter before a quarter of the events");
        Session session(gentest::Registrant(UserType::PersonaFisica));
        session.host.eventLimit = 255;
        EXPECT_FALSE(session.Generate());
        EXPECT_EQ(session.RunMessages(), std::vector<std::string>{noKeyPair});
        EXPECT_TRUE(session.folder.List().empty());
    }
    {
        SCOPED_TRACE("Enter after a quarter, with and without the system's bytes");
        for (const bool system : {false, true}) {
            Session session(gentest::Registrant(UserType::PersonaFisica));
            session.job.useSystemEntropy = system;
            session.host.eventLimit = 256;
            EXPECT_TRUE(session.Generate());
            EXPECT_EQ(session.host.eventsFed, 256u);
        }
    }
}

TEST(Generation, AFailedBuildChangesNoFile) {
    {
        SCOPED_TRACE("request too large for the work buffer");
        Session session(gentest::Registrant(UserType::PersonaFisica));
        PlantEarlierPair(session.folder, "PELJ800101AB1");
        session.capture.registrant.name.assign(4000, 'A');
        EXPECT_FALSE(session.Accept().closeWithOk);
        EXPECT_EQ(session.RunMessages(),
                  std::vector<std::string>{Text(GenerationText::RequestFailed)});
        ExpectEarlierPairOnly(session.folder, "PELJ800101AB1");
        EXPECT_TRUE(AllZero(session.capture.privateKeyBuffer.data(), kPrivateKeyBufferSize));
    }
    {
        SCOPED_TRACE("key file not built");
        Session session(gentest::Registrant(UserType::PersonaFisica));
        PlantEarlierPair(session.folder, "PELJ800101AB1");
        session.host.skippedWork = {2};
        EXPECT_FALSE(session.Accept().closeWithOk);
        EXPECT_EQ(session.RunMessages(),
                  std::vector<std::string>{Text(GenerationText::KeyFileFailed)});
        ExpectEarlierPairOnly(session.folder, "PELJ800101AB1");
    }
}

// A folder that refuses new entries, also to root, whom permissions do not
// stop: write permission removed and, for root, the immutable attribute where
// the file system has one. Undone on destruction.
class ReadOnlyFolder {
  public:
    explicit ReadOnlyFolder(std::string path) : path_(std::move(path)) {
        std::filesystem::permissions(path_, std::filesystem::perms::owner_write,
                                     std::filesystem::perm_options::remove);
        if (geteuid() == 0) immutable_ = SetImmutable(true);
    }
    ~ReadOnlyFolder() {
        if (immutable_) SetImmutable(false);
        std::error_code ignored;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_write,
                                     std::filesystem::perm_options::add, ignored);
    }
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;
    bool Effective() const { return geteuid() != 0 || immutable_; }

  private:
    bool SetImmutable(bool on) const {
        const int fd = ::open(path_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) return false;
        int flags = 0;
        bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        if (done) {
            flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
            done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        }
        ::close(fd);
        return done;
    }
    std::string path_;
    bool immutable_ = false;
};

TEST(Generation, TargetsThatCannotBeReplacedForReal) {
    {
        SCOPED_TRACE("a folder in place of the request file: refused before the mouse");
        Session session(gentest::Registrant(UserType::PersonaFisica));
        std::filesystem::create_directory(session.folder / "PELJ800101AB1.req");
        EXPECT_EQ(session.Accept().focus, KeyOptionsFocus::Destination);
        EXPECT_EQ(session.host.collections, 0);
        EXPECT_EQ(session.RunMessages(),
                  std::vector<std::string>{Text(GenerationText::FolderMissing)});
        EXPECT_EQ(session.folder.List(), std::set<std::string>{"PELJ800101AB1.req"});
    }
    {
        SCOPED_TRACE("a folder in place of the key file");
        Session session(gentest::Registrant(UserType::PersonaFisica));
        WriteBytes(session.folder / "PELJ800101AB1.req", "earlier request");
        std::filesystem::create_directory(session.folder / "PELJ800101AB1.key");
        EXPECT_FALSE(session.Accept().closeWithOk);
        EXPECT_EQ(session.RunMessages(),
                  std::vector<std::string>{Text(GenerationText::KeyFileFailed)});
        EXPECT_EQ(session.folder.List(),
                  (std::set<std::string>{"PELJ800101AB1.req", "PELJ800101AB1.key"}));
        EXPECT_EQ(session.Read("PELJ800101AB1.req"), "earlier request");
    }
    {
        SCOPED_TRACE("a read-only destination");
        Session session(gentest::Registrant(UserType::PersonaFisica));
        PlantEarlierPair(session.folder, "PELJ800101AB1");
        ReadOnlyFolder readOnly(session.folder.Path());
        if (!readOnly.Effective())
            GTEST_SKIP() << "no way to make a folder read-only for root here";
        EXPECT_FALSE(session.Accept().closeWithOk);
        EXPECT_EQ(session.RunMessages(),
                  std::vector<std::string>{Text(GenerationText::RequestFailed)});
        ExpectEarlierPairOnly(session.folder, "PELJ800101AB1");
    }
}

TEST(Generation, ExistingFilesAreReplacedOnlyWhenTheUserAgrees) {
    const std::string base = "PELJ800101AB1";
    {
        SCOPED_TRACE("No keeps everything, before any mouse movement");
        Session session(gentest::Registrant(UserType::PersonaFisica));
        PlantEarlierPair(session.folder, base);
        session.messages.replaceAnswer = MessageAnswer::No;
        const KeyOptionsOutcome outcome = session.Accept();
        EXPECT_FALSE(outcome.closeWithOk);
        EXPECT_EQ(outcome.focus, KeyOptionsFocus::Destination);
        ASSERT_EQ(session.messages.shown.size(), 1u);
        const MessageRequest& question = session.messages.shown[0];
        EXPECT_EQ(question.caption, "Petitora");
        EXPECT_EQ(question.buttons, MessageButtons::YesNo);
        EXPECT_EQ(question.icon, MessageIcon::Question);
        EXPECT_EQ(question.text,
                  "Los archivos PELJ800101AB1.req y PELJ800101AB1.key ya existen.\n"
                  "Desea reemplazarlos ?");
        EXPECT_EQ(session.host.collections, 0);
        ExpectEarlierPairOnly(session.folder, base);
    }
    {
        SCOPED_TRACE("Yes replaces both");
        Session session(gentest::Registrant(UserType::PersonaFisica));
        PlantEarlierPair(session.folder, base);
        ASSERT_TRUE(session.Accept().closeWithOk);
        EXPECT_EQ(CheckPair(session.Read(base + ".req"), session.Read(base + ".key"), kPassword),
                  1024);
    }
    {
        SCOPED_TRACE("a pair put in place while the question is up is not replaced");
        Session session(gentest::Registrant(UserType::PersonaFisica));
        PlantEarlierPair(session.folder, base);
        session.messages.onShow = [&](const MessageRequest& shown) {
            if (shown.topic == MessageTopic::ReplaceFiles) {
                WriteBytes(session.folder / (base + ".req"), "another run's request");
            }
        };
        EXPECT_FALSE(session.Accept().closeWithOk);
        EXPECT_EQ(session.Read(base + ".req"), "another run's request");
        EXPECT_EQ(session.folder.List().size(), 2u);
    }
    {
        SCOPED_TRACE("agreement in the chooser covers the request file only");
        Session session(gentest::Registrant(UserType::PersonaFisica));
        PlantEarlierPair(session.folder, base);
        session.job.pathText = session.folder / (base + ".req");
        session.job.replaceAgreedPath = session.job.pathText;
        session.messages.replaceAnswer = MessageAnswer::No;
        EXPECT_FALSE(session.Accept().closeWithOk);
        ASSERT_EQ(session.messages.shown.size(), 1u);
        EXPECT_EQ(session.messages.shown[0].text,
                  "El archivo PELJ800101AB1.key ya existe.\nDesea reemplazarlo ?");
        std::filesystem::remove(session.folder / (base + ".key"));
        session.messages.shown.clear();
        EXPECT_TRUE(session.Accept().closeWithOk);
        EXPECT_EQ(session.messages.shown[0].topic, MessageTopic::ConfirmGeneration);
    }
    // A request name that is also the key file's name, in any letter case
    // (one file on a memory stick that ignores case).
    for (const char* name : {"PELJ800101AB1.key", "PELJ800101AB1.KEY", "x.kEy"}) {
        SCOPED_TRACE(name);
        Session session(gentest::Registrant(UserType::PersonaFisica));
        session.job.pathText = name;
        const KeyOptionsOutcome outcome = session.Accept();
        EXPECT_FALSE(outcome.closeWithOk);
        EXPECT_EQ(outcome.focus, KeyOptionsFocus::Destination);
        EXPECT_EQ(session.messages.Texts(),
                  std::vector<std::string>{Text(GenerationText::SameOutputNames)});
        EXPECT_TRUE(session.folder.List().empty());
    }
}

TEST(Generation, KeyFileNames) {
    EXPECT_EQ(KeyFileName("PELJ800101AB1.req"), "PELJ800101AB1.key");
    EXPECT_EQ(KeyFileName("solicitud"), "solicitud.key");
    EXPECT_EQ(KeyFileName("mi.solicitud.2026.req"), "mi.solicitud.2026.key");
    EXPECT_EQ(KeyFileName(".req"), ".key");

    // A name without a dot is used as it is for the request.
    Session session(gentest::Registrant(UserType::PersonaFisica));
    session.job.pathText = "solicitud";
    ASSERT_TRUE(session.Accept().closeWithOk);
    EXPECT_EQ(session.folder.List(), (std::set<std::string>{"solicitud", "solicitud.key"}));
}

// A request signed with a key whose CRT coefficient is wrong, or altered
// after signing, must not pass the check made before storing.
TEST(VerifyRequestSignature, AcceptsOnlyTheIntactRequestOfThisKey) {
    Session session(gentest::Registrant(UserType::PersonaFisica));
    ASSERT_TRUE(session.Generate());
    const std::string stored = session.Read("PELJ800101AB1.req");
    std::vector<std::uint8_t> request(stored.begin(), stored.end());
    const cerrojo::RsaPublicKey key = session.job.publicKey;
    const auto verify = [&](const std::vector<std::uint8_t>& bytes,
                            const cerrojo::RsaPublicKey& with) {
        return VerifyRequestSignature(bytes.data(), static_cast<std::uint32_t>(bytes.size()), with);
    };
    ASSERT_TRUE(verify(request, key));
    for (std::size_t at : {std::size_t{30}, request.size() / 2, request.size() - 1}) {
        std::vector<std::uint8_t> altered = request;
        altered[at] ^= 0x01;
        EXPECT_FALSE(verify(altered, key)) << at;
    }
    std::vector<std::uint8_t> truncated(request.begin(), request.end() - 1);
    EXPECT_FALSE(verify(truncated, key));
    cerrojo::RsaPublicKey other = key;
    other.modulus[255] ^= 0x02;
    EXPECT_FALSE(verify(request, other));

    // Sign again with a faulty coefficient: the CRT result is then wrong.
    Session faulty(gentest::Registrant(UserType::PersonaFisica));
    BuiltFiles built;
    GenerationServices services{faulty.messages, faulty.host, faulty.files};
    ASSERT_EQ(GenerateKeyPair(faulty.job, services, built), KeyPairOutcome::KeyPairAndRequest);
    faulty.job.privateKeyBuffer->coefficient[127] ^= 0x04;
    EXPECT_FALSE(WriteRequestFile(faulty.job, built));
}

}  // namespace
