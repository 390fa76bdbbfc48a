// petitora-verify through its real binary: exit status, the lines on
// standard output in UTF-8, the password line on standard input.
#include <gtest/gtest.h>

#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "der/private_key.h"
#include "der/request.h"
#include "support/sample_request.h"
#include "support/run_command.h"
#include "support/temp_folder.h"
#include "support/test_keys.h"
#include "support/x509_certificates.h"
#include "text/cp1252.h"
#include "verification/verification_texts.h"

namespace {

// A shell word in single quotes, built piece by piece: "literal" + std::string&&
// makes GCC 12 at -O3 report a false -Wrestrict.
std::string Quote(const std::string& text) {
    std::string quoted(1, '\'');
    quoted += text;
    quoted += '\'';
    return quoted;
}

using petitora::Text;
using petitora::VerifyText;

struct Result {
    int exit = -1;
    std::string out;  // standard output
    std::string err;  // standard error
};

class VerifyTool : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        folder_ = new testsupport::TempFolder("petitora-tool");
        const dertest::KeyPair& key = dertest::TestKey(1024);
        dertest::SampleSlots slots;
        std::uint8_t output[4096];
        std::uint32_t length = sizeof(output);
        ASSERT_EQ(
            cerrojo::MakeCertificationRequest(output, &length, 103, slots.name, &key.publicKey,
                                              &key.privateKey, slots.attributes),
            cerrojo::kRequestOk);
        Write("pair.req", std::string(reinterpret_cast<char*>(output), length));
        const std::string password =
            "Contrase\xF1"
            "a 2026";  // Windows-1252
        length = sizeof(output);
        ASSERT_EQ(
            cerrojo::MakeEncryptedPrivateKey(
                output, &length, 105, 0, reinterpret_cast<const std::uint8_t*>(password.data()),
                static_cast<std::uint32_t>(password.size()), &key.privateKey),
            cerrojo::kKeyFileOk);
        Write("pair.key", std::string(reinterpret_cast<char*>(output), length));
    }
    static void TearDownTestSuite() { delete folder_; }
    static std::string Path(const std::string& name) { return folder_->Path(name); }
    static void Write(const std::string& name, const std::string& bytes) {
        folder_->Write(name, bytes);
    }
    static std::string ReadAll(const std::string& name) {
        std::ifstream in(Path(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    // Runs the tool with arguments (already quoted) and stdin bytes.
    static Result Run(const std::string& arguments, const std::string& input) {
        Write("stdin", input);
        const std::string command = std::string("'") + PETITORA_VERIFY_TOOL + "' " + arguments +
                                    " <'" + Path("stdin") + "' >'" + Path("stdout") + "' 2>'" +
                                    Path("stderr") + "'";
        const int status = std::system(command.c_str());
        Result result;
        result.exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        result.out = ReadAll("stdout");
        result.err = ReadAll("stderr");
        return result;
    }

    static std::string Pair() { return Quote(Path("pair.req")) + " " + Quote(Path("pair.key")); }

    static testsupport::TempFolder* folder_;
};

testsupport::TempFolder* VerifyTool::folder_ = nullptr;

std::string Utf8Line(VerifyText mark, const std::string& text) {
    std::string line(1, '[');
    line += Text(mark);
    line += "] ";
    line += text;
    return petitora::Cp1252ToUtf8(line) + "\n";
}

TEST_F(VerifyTool, GoodPairPassesWithTheLinesInUtf8) {
    // A terminal types the password in UTF-8; the key holds its Windows-1252 bytes.
    const Result result = Run(Pair(),
                              "Contrase\xC3\xB1"
                              "a 2026\n");
    EXPECT_EQ(result.exit, 0) << result.out << result.err;
    EXPECT_EQ(result.out.rfind("[Correcto] La solicitud de certificado (.req) est\xC3\xA1 bien "
                               "formada y su firma (md5WithRSAEncryption) es v\xC3\xA1lida.\n",
                               0),
              0u)
        << result.out;
    EXPECT_NE(result.out.find("[Correcto] La contrase\xC3\xB1"
                              "a abre la llave privada"),
              std::string::npos);
    EXPECT_NE(result.out.find(Utf8Line(VerifyText::MarkPassed, Text(VerifyText::PairOk))),
              std::string::npos);
    EXPECT_NE(result.out.find("\nNombre: JOS\xC3\x89  N\xC3\x9A\xC3\x91"
                              "EZ"),
              std::string::npos);
    EXPECT_NE(result.out.find("\nEntidad federativa: EDO. DE M\xC3\x89XICO\n"), std::string::npos);
    EXPECT_TRUE(result.err.empty());

    // A Windows line end, no line end at all, or the raw Windows-1252 bytes.
    for (const char* line : {"Contrase\xC3\xB1"
                             "a 2026\r\n",
                             "Contrase\xC3\xB1"
                             "a 2026",
                             "Contrase\xF1"
                             "a 2026\n"}) {
        EXPECT_EQ(Run(Pair(), line).exit, 0) << line;
    }
}

// Reads what the terminal shows until text appears or the program has ended;
// the poll bound only keeps a broken program from hanging the test.
std::string ReadTerminal(int master, const std::string& until) {
    std::string shown;
    while (until.empty() || shown.find(until) == std::string::npos) {
        pollfd ready{master, POLLIN, 0};
        if (::poll(&ready, 1, 60000) <= 0) break;
        char buffer[512];
        const ssize_t n = ::read(master, buffer, sizeof(buffer));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;  // EIO once the program has ended
        shown.append(buffer, static_cast<std::size_t>(n));
    }
    return shown;
}

// Typed at a terminal, the password is asked for and not shown, and the
// terminal is left echoing again.
TEST_F(VerifyTool, PasswordTypedAtATerminalIsNotShown) {
    const std::string password =
        "Contrase\xC3\xB1"
        "a 2026";
    const std::string request = Path("pair.req"), key = Path("pair.key");
    int master = -1;
    const pid_t child = ::forkpty(&master, nullptr, nullptr, nullptr);
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::execl(PETITORA_VERIFY_TOOL, PETITORA_VERIFY_TOOL, request.c_str(), key.c_str(),
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    const std::string prompt = ReadTerminal(master, ": ");
    EXPECT_EQ(prompt, petitora::Cp1252ToUtf8(Text(VerifyText::PasswordPrompt)));
    const std::string typed = password + "\n";
    ASSERT_EQ(::write(master, typed.data(), typed.size()), static_cast<ssize_t>(typed.size()));
    const std::string shown = ReadTerminal(master, "");
    termios after{};
    const bool settingsRead = ::tcgetattr(master, &after) == 0;
    ::close(master);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << shown;
    EXPECT_EQ(shown.find("2026"), std::string::npos) << shown;
    EXPECT_NE(shown.find("[Correcto] La contrase\xC3\xB1"
                         "a abre la llave privada"),
              std::string::npos)
        << shown;
    ASSERT_TRUE(settingsRead);
    EXPECT_NE(after.c_lflag & ECHO, 0u);
}

TEST_F(VerifyTool, FailedChecksGiveExitStatusOne) {
    Result result = Run(Pair(),
                        "contrase\xC3\xB1"
                        "a 2026\n");
    EXPECT_EQ(result.exit, 1);
    EXPECT_NE(result.out.find(Utf8Line(VerifyText::MarkFailed, Text(VerifyText::KeyWrongPassword))),
              std::string::npos)
        << result.out;
    EXPECT_NE(result.out.find(Utf8Line(VerifyText::MarkNotRun, Text(VerifyText::PairNotChecked))),
              std::string::npos);

    result = Run(Quote(Path("pair.req")) + " " + Quote(Path("missing.key")), "x\n");
    EXPECT_EQ(result.exit, 1);
    EXPECT_NE(result.out.find("No se puede abrir el archivo de la llave privada (.key)."),
              std::string::npos)
        << result.out;

    // The request alone: one check, and standard input is not needed.
    result = Run(Quote(Path("pair.req")), "");
    EXPECT_EQ(result.exit, 0) << result.out;
    result = Run(Quote(Path("pair.key")), "");
    EXPECT_EQ(result.exit, 1);
}

TEST_F(VerifyTool, WrongCommandLinesAndOverlongPasswordsGiveExitStatusTwo) {
    for (const std::string& arguments : {std::string(""), Pair() + " extra", std::string("''")}) {
        const Result result = Run(arguments, "");
        EXPECT_EQ(result.exit, 2) << arguments;
        EXPECT_TRUE(result.out.empty());
        EXPECT_EQ(result.err.rfind("Uso: petitora-verify ARCHIVO.req [ARCHIVO.key]\n", 0), 0u)
            << result.err;
    }
    const Result result = Run(Pair(), std::string(5000, 'a') + "\n");
    EXPECT_EQ(result.exit, 2);
    EXPECT_TRUE(result.out.empty());
    EXPECT_EQ(result.err, petitora::Cp1252ToUtf8(Text(VerifyText::PasswordTooLong)) + "\n");
}

// True when text (what a peer tool printed) holds a private key (encrypted
// under password, or not) and the certificate der, and the key is the
// certificate's.
bool HoldsKeyAndCertificate(const std::string& text, const testsupport::Bytes& der,
                            std::string password) {
    BIO* keyBio = BIO_new_mem_buf(text.data(), static_cast<int>(text.size()));
    BIO* certBio = BIO_new_mem_buf(text.data(), static_cast<int>(text.size()));
    EVP_PKEY* key = PEM_read_bio_PrivateKey(keyBio, nullptr, nullptr, password.data());
    X509* x = PEM_read_bio_X509(certBio, nullptr, nullptr, nullptr);
    unsigned char* out = nullptr;
    const int length = x != nullptr ? i2d_X509(x, &out) : 0;
    const bool holds = key != nullptr && length > 0 &&
                       testsupport::Bytes(out, out + length) == der &&
                       EVP_PKEY_eq(key, X509_get0_pubkey(x)) == 1;
    OPENSSL_free(out);
    X509_free(x);
    EVP_PKEY_free(key);
    BIO_free(keyBio);
    BIO_free(certBio);
    return holds;
}

// --certificate with and without --issuer and --pfx: exit status, the line
// that tells, and the .pfx that OpenSSL (default provider only) and GnuTLS
// read back with the same key and certificate.
TEST_F(VerifyTool, CertificateChecksAndPfx) {
    std::ifstream requestFile(Path("pair.req"), std::ios::binary);
    const testsupport::Bytes request(std::istreambuf_iterator<char>(requestFile), {});
    const testsupport::Authority authority = testsupport::MakeAuthority("Autoridad de prueba", 2048);
    const testsupport::Authority stranger = testsupport::MakeAuthority("Otra autoridad", 2048);
    const testsupport::Bytes good = testsupport::IssueCertificate(request, authority);
    testsupport::Issue past;
    past.notBeforeDays = -400, past.notAfterDays = -1;
    const auto der = [](const testsupport::Authority& a) {
        unsigned char* out = nullptr;
        const int length = i2d_X509(a.certificate.get(), &out);
        std::string bytes(reinterpret_cast<char*>(out), static_cast<std::size_t>(length));
        OPENSSL_free(out);
        return bytes;
    };
    Write("good.cer", testsupport::ToPem(good));
    const testsupport::Bytes expired = testsupport::IssueCertificate(request, authority, past);
    Write("expired.cer", std::string(expired.begin(), expired.end()));
    Write("ca.cer", der(authority));
    Write("other-ca.cer", der(stranger));
    const std::string key = "Contrase\xC3\xB1" "a 2026\n", pfxPassword = "Nueva clave 2026";
    const auto q = [](const char* name) { return Quote(Path(name)); };
    const std::string good1 = "--certificate " + q("good.cer") + " ";
    struct Row {
        std::string arguments, input;
        int exit;
        std::string says;   // in standard output and error together
        const char* pfx;    // the .pfx that must then exist, or null
    };
    const std::vector<Row> rows = {
        {good1 + q("pair.key") + " " + q("pair.req"), key, 0, "se emiti\xC3\xB3 para esta solicitud", nullptr},
        {good1 + "--issuer " + q("ca.cer") + " --pfx " + q("out.pfx") + " " + q("pair.key"),
         key + pfxPassword + "\n", 0, "Se guard\xC3\xB3 la llave privada", "out.pfx"},
        {good1 + "--pfx " + q("out.pfx") + " " + q("pair.key"), key + pfxPassword + "\n", 1,
         "ya existe, y Petitora no lo reemplaza", "out.pfx"},
        {good1 + "--pfx " + q("short.pfx") + " " + q("pair.key"), key + "corta\n", 2,
         "el tama\xC3\xB1o minimo de las claves es de 8 caracteres", nullptr},
        {good1 + "--pfx " + q("wrong.pfx") + " " + q("pair.key"), key + "Nueva clave \xE2\x9C\x93\n", 2,
         "no se puede usar", nullptr},
        {good1 + "--pfx " + q("wrong.pfx") + " " + q("pair.key"), "otra\n" + pfxPassword + "\n", 1,
         "porque el certificado no pas\xC3\xB3", nullptr},
        {"--certificate " + q("expired.cer") + " " + q("pair.key"), key, 1, "venci\xC3\xB3 el", nullptr},
        {good1 + "--issuer " + q("other-ca.cer") + " " + q("pair.key"), key, 1, "otra autoridad", nullptr},
        {good1 + "--pfx", key, 2, "Uso: petitora-verify", nullptr},
        {"--help", "", 0, "--certificate ARCHIVO.cer [--issuer EMISOR.cer] [--pfx SALIDA.pfx]", nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.arguments);
        const Result result = Run(row.arguments, row.input);
        EXPECT_EQ(result.exit, row.exit) << result.out << result.err;
        EXPECT_NE((result.out + result.err).find(row.says), std::string::npos) << result.out << result.err;
        struct stat info {};
        EXPECT_EQ(::stat(Path(row.pfx != nullptr ? row.pfx : "wrong.pfx").c_str(), &info) == 0,
                  row.pfx != nullptr);
        if (row.pfx != nullptr) {
            EXPECT_EQ(info.st_mode & 0777, 0600u);
        }
    }
    std::string out;
    ASSERT_EQ(testsupport::RunCommand("OPENSSL_CONF=/dev/null openssl pkcs12 -provider default -info "
                                      "-nodes -in " + q("out.pfx") + " -passin 'pass:" + pfxPassword + "'",
                                      &out), 0) << out;
    EXPECT_TRUE(HoldsKeyAndCertificate(out, good, "")) << out;
    EXPECT_NE(out.find("friendlyName: PEXJ800101AB1"), std::string::npos) << out;
    ASSERT_EQ(testsupport::RunCommand("certtool --p12-info --inder --infile " + q("out.pfx") +
                                      " --password '" + pfxPassword + "'", &out), 0) << out;
    EXPECT_TRUE(HoldsKeyAndCertificate(out, good, pfxPassword)) << out;
}

}  // namespace
