// petitora-verify FILE.req [FILE.key]
// petitora-verify --certificate FILE.cer [--issuer CA.cer] [--pfx OUT.pfx] FILE.key [FILE.req]
// petitora-verify --version
//
// Checks a request and, when given, its key file; the key's password is one
// line of standard input (typed at a terminal: asked for, and not shown).
// With --certificate, checks the certificate issued for the key instead (and
// its signature with --issuer), and with --pfx writes the key and the
// certificate as a new .pfx whose password is the second line of standard
// input. Prints one line per check and the files' contents on standard
// output, in UTF-8; a store step left half done in the request's folder is
// told on standard error (and left for the next generation run). Exit
// status: 0 when every check passed (and the .pfx was written), 1 when one
// did not, 2 for a wrong command line or password line.

#include <termios.h>
#include <unistd.h>

#include <array>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "text/cp1252.h"
#include "crypto/common.h"
#include "generation/core_dumps.h"
#include "generation/entropy.h"
#include "generation/key_options.h"
#include "generation/pair_store.h"
#include "generation/password_line.h"
#include "generation/secure_bytes.h"
#include "generation/texts.h"
#include "verification/certificate.h"
#include "verification/verification.h"
#include "verification/verification_texts.h"
#include "version.h"

namespace {

using petitora::Text;
using petitora::VerifyText;

constexpr int kExitPassed = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

void PrintText(std::FILE* stream, const std::string& cp1252) {
    const std::string utf8 = petitora::Cp1252ToUtf8(cp1252);
    std::fwrite(utf8.data(), 1, utf8.size(), stream);
}

void PrintLine(std::FILE* stream, const std::string& cp1252) {
    PrintText(stream, cp1252);
    std::fputc('\n', stream);
}

// The terminal's settings while echo is off, for the signal handler that
// puts them back when the program is interrupted at the prompt.
int gTerminal = -1;
termios gTerminalSettings;

extern "C" void RestoreTerminalAndDie(int signalNumber) {
    ::tcsetattr(gTerminal, TCSAFLUSH, &gTerminalSettings);
    std::signal(signalNumber, SIG_DFL);
    std::raise(signalNumber);
}

// Echo off on a terminal for as long as it lives: what is typed is not shown,
// only the line end, and the settings come back on every way out.
class HiddenTyping {
  public:
    explicit HiddenTyping(int fd) {
        if (::tcgetattr(fd, &gTerminalSettings) != 0) return;
        termios quiet = gTerminalSettings;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        quiet.c_lflag |= ECHONL;
        gTerminal = fd;
        for (int s : kSignals) std::signal(s, RestoreTerminalAndDie);
        if (::tcsetattr(fd, TCSAFLUSH, &quiet) != 0) Restore();
    }
    ~HiddenTyping() { Restore(); }
    HiddenTyping(const HiddenTyping&) = delete;
    HiddenTyping& operator=(const HiddenTyping&) = delete;

  private:
    static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
    static void Restore() {
        if (gTerminal < 0) return;
        ::tcsetattr(gTerminal, TCSAFLUSH, &gTerminalSettings);
        for (int s : kSignals) std::signal(s, SIG_DFL);
        gTerminal = -1;
    }
};

// The password line in fixed areas that are wiped on every path.
class PasswordLine {
  public:
    ~PasswordLine() {
        cerrojo::SecureWipeObject(raw_);
        cerrojo::SecureWipeObject(converted_);
    }

    // Reads one line (petitora::ReadPasswordLine: a trailing LF or CR LF is
    // not part of it). False when the line is too long or cannot be read.
    // The descriptor is read directly, one byte at a time, so no stream
    // buffer holds a copy and a second line is left for the next call.
    bool Read(std::FILE* stream, VerifyText prompt = VerifyText::PasswordPrompt) {
        std::optional<HiddenTyping> hidden;
        if (::isatty(::fileno(stream))) {
            hidden.emplace(::fileno(stream));
            PrintText(stderr, Text(prompt));
            std::fflush(stderr);
        }
        const bool fits = petitora::ReadPasswordLine(::fileno(stream), raw_.data(), raw_.size(),
                                                     &length_) == petitora::PasswordLineStatus::Ok;
        hidden.reset();
        if (!fits) return false;
        // A terminal types UTF-8; the key was encrypted with the password's
        // Windows-1252 bytes. Input that is not UTF-8 is taken as it is.
        convertedLength_ =
            petitora::Utf8ToCp1252(std::string_view(raw_.data(), length_), converted_.data());
        return true;
    }

    // The line was UTF-8 of characters Windows-1252 holds (or plain ASCII).
    bool Windows1252() const { return convertedLength_.has_value(); }

    std::string_view Bytes() const {
        if (convertedLength_) return std::string_view(converted_.data(), *convertedLength_);
        return std::string_view(raw_.data(), length_);
    }

  private:
    std::array<char, 1024> raw_{};
    std::size_t length_ = 0;
    std::array<char, 1024> converted_{};
    std::optional<std::size_t> convertedLength_;
};

// The command line of the certificate check: --certificate, --issuer and
// --pfx with their files, then the key file and, optionally, the request.
struct CertificateCommand {
    petitora::CertificatePaths paths;
    std::optional<std::string> pfxPath;
};

std::optional<CertificateCommand> ParseCertificateCommand(int argc, char** argv) {
    CertificateCommand command;
    std::vector<std::string> files;
    bool certificate = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        const bool option = argument == "--certificate" || argument == "--issuer" || argument == "--pfx";
        if (option && (i + 1 >= argc || argv[i + 1][0] == '\0')) return std::nullopt;
        if (argument == "--certificate" && !certificate) {
            command.paths.certificate = argv[++i];
            certificate = true;
        } else if (argument == "--issuer" && !command.paths.issuer) {
            command.paths.issuer = argv[++i];
        } else if (argument == "--pfx" && !command.pfxPath) {
            command.pfxPath = argv[++i];
        } else if (option || argument.empty() || argument.substr(0, 2) == "--") {
            return std::nullopt;
        } else {
            files.emplace_back(argument);
        }
    }
    if (!certificate || files.empty() || files.size() > 2) return std::nullopt;
    command.paths.key = files[0];
    if (files.size() == 2) command.paths.request = files[1];
    return command;
}

// Writes the .pfx under the password already checked; prints how it went.
bool WritePfx(const std::string& path, const petitora::PfxMaterial& material,
              std::string_view password) {
    petitora::SystemFileSystem files;
    cerrojo::RandomPool pool;
    cerrojo::RandomInit(&pool);
    pool.needed = petitora::kSystemSeedBytes;
    petitora::PfxResult result = petitora::PfxResult::NotWritten;
    if (petitora::FeedSystemEntropy(&pool)) {
        result = petitora::SavePfx(files, path, material, password, &pool, false);
    }
    cerrojo::SecureWipeObject(pool);
    const std::string shown = petitora::Utf8ToCp1252(path).value_or(path);
    switch (result) {
        case petitora::PfxResult::Written:
            PrintLine(stdout, petitora::Format(Text(VerifyText::PfxWritten), {shown}));
            return true;
        case petitora::PfxResult::Exists:
            PrintLine(stderr, petitora::Format(Text(VerifyText::PfxExists), {shown}));
            return false;
        case petitora::PfxResult::NotWritten:
            break;
    }
    PrintLine(stderr, Text(VerifyText::PfxNotWritten));
    return false;
}

// petitora-verify --certificate ...
int RunCertificateCheck(int argc, char** argv) {
    const std::optional<CertificateCommand> command = ParseCertificateCommand(argc, argv);
    if (!command) {
        PrintLine(stderr, Text(VerifyText::Usage));
        return kExitUsage;
    }
    PasswordLine password, pfxPassword;
    if (!password.Read(stdin) ||
        (command->pfxPath && !pfxPassword.Read(stdin, VerifyText::PfxPasswordPrompt))) {
        PrintLine(stderr, Text(VerifyText::PasswordTooLong));
        return kExitUsage;
    }
    if (command->pfxPath) {
        // A new password, so as the generation takes one: UTF-8 of at most
        // kMaxKeyOptionText characters Windows-1252 holds (the .pfx is keyed
        // with their BMPString; raw bytes would give a file that opens with
        // another password than the one typed).
        if (!pfxPassword.Windows1252() || pfxPassword.Bytes().size() > petitora::kMaxKeyOptionText) {
            PrintLine(stderr, Text(VerifyText::PfxPasswordUnusable));
            return kExitUsage;
        }
        // The key options' rules, the one line standing for both boxes.
        if (const auto broken = petitora::BrokenPasswordRule(pfxPassword.Bytes(), pfxPassword.Bytes())) {
            PrintLine(stderr, Text(broken->message));
            return kExitUsage;
        }
    }
    const petitora::CertificateReport result = petitora::VerifyCertificateAt(
        command->paths, password.Bytes(), static_cast<std::int64_t>(std::time(nullptr)));
    for (const std::string& line : petitora::ReportLines(result.report)) PrintLine(stdout, line);
    bool passed = result.report.AllPassed();
    if (command->pfxPath) {
        if (result.pfx) {
            passed = WritePfx(*command->pfxPath, *result.pfx, pfxPassword.Bytes()) && passed;
        } else {
            PrintLine(stderr, Text(VerifyText::PfxNotOffered));
            passed = false;
        }
    }
    std::fflush(stdout);
    return passed ? kExitPassed : kExitFailed;
}

// An interrupted store step in the request's folder, told and left as it is
// (the next generation run there completes or undoes it).
void ReportInterruptedPair(const std::string& requestPath) {
    const std::size_t slash = requestPath.rfind('/');
    const std::string folderPath = slash == std::string::npos ? "."
                                   : slash == 0               ? "/"
                                                              : requestPath.substr(0, slash);
    petitora::SystemFileSystem files;
    const petitora::HeldFolder folder(files, folderPath);
    if (folder.handle < 0) return;
    const std::string message =
        petitora::RecoveryMessage(petitora::RecoverPair(files, folder.handle, true));
    if (!message.empty()) PrintLine(stderr, message);
}

}  // namespace

int main(int argc, char** argv) {
    petitora::DisableCoreDumps();
    if (argc == 2 && std::string_view(argv[1]) == "--version") {
        std::puts("petitora-verify " PETITORA_VERSION);
        return kExitPassed;
    }
    if (argc == 2 && std::string_view(argv[1]) == "--help") {
        PrintLine(stdout, Text(VerifyText::Usage));
        return kExitPassed;
    }
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) == "--certificate") return RunCertificateCheck(argc, argv);
    }
    if (argc < 2 || argc > 3 || argv[1][0] == '\0' || (argc == 3 && argv[2][0] == '\0')) {
        PrintLine(stderr, Text(VerifyText::Usage));
        return kExitUsage;
    }
    std::optional<std::string> keyPath;
    if (argc == 3) keyPath = argv[2];

    PasswordLine password;
    if (keyPath && !password.Read(stdin)) {
        PrintLine(stderr, Text(VerifyText::PasswordTooLong));
        return kExitUsage;
    }
    const petitora::VerificationReport report =
        petitora::VerifyFilesAt(argv[1], keyPath, password.Bytes());
    for (const std::string& line : petitora::ReportLines(report)) PrintLine(stdout, line);
    std::fflush(stdout);
    ReportInterruptedPair(argv[1]);
    return report.AllPassed() ? kExitPassed : kExitFailed;
}
