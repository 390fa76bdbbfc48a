// petitora-replay: one generation run from files, without a display.
//
//   petitora-replay --registrant FILE.json --bits 1024|2048|4096 --events EVENTS.txt
//                   [--destination PATH] [--replace] [--no-system-entropy]
//   petitora-replay --version | --help
//
// The access password is one line of standard input (a trailing LF or CR LF
// is not part of it). Every message of the run goes to standard error with
// its caption; the confirmation is answered Yes, the question about existing
// files No unless --replace is given. The destination is used as the bytes
// given.
// Exit status: 0 both files written and checked, 1 the run or the registrant
// was refused (its message says why), 2 bad arguments or unreadable input.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>

#include <unistd.h>

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "text/cp1252.h"
#include "capture/offices.h"
#include "capture/rules.h"
#include "crypto/common.h"
#include "generation/core_dumps.h"
#include "generation/driver.h"
#include "generation/file_system.h"
#include "generation/job.h"
#include "generation/key_options.h"
#include "generation/password_line.h"
#include "tools/replay/replay_io.h"
#include "version.h"

namespace {

using namespace petitora;

constexpr int kExitRefused = 1;
constexpr int kExitBadInput = 2;

int Fail(const std::string& text) {
    std::fprintf(stderr, "petitora-replay: %s\n", text.c_str());
    return kExitBadInput;
}

void PrintMessage(const std::string& caption, const std::string& text) {
    std::fprintf(stderr, "%s: %s\n", Cp1252ToUtf8(caption).c_str(), Cp1252ToUtf8(text).c_str());
}

class ReplayPresenter : public MessagePresenter {
  public:
    explicit ReplayPresenter(bool replace) : replace_(replace) {}
    MessageAnswer Show(const MessageRequest& request) override {
        PrintMessage(request.caption, request.text);
        if (request.buttons == MessageButtons::Ok) return MessageAnswer::Ok;
        const bool yes = request.topic != MessageTopic::ReplaceFiles || replace_;
        std::fprintf(stderr, "-> %s\n", yes ? "yes" : "no");
        return yes ? MessageAnswer::Yes : MessageAnswer::No;
    }

  private:
    bool replace_;
};

// The entropy dialog played from the script: each position is one mouse
// move; a script that ends early is the user pressing Enter.
class ReplayHost : public GenerationHost {
  public:
    explicit ReplayHost(const std::vector<replay::MousePosition>& events) : events_(events) {}
    void ShowWaitNotice() override {}
    bool CollectEntropy(EntropyCollection& collection) override {
        for (const replay::MousePosition& p : events_) {
            if (collection.Complete()) break;
            collection.OnMouseMove(p.x, p.y);
        }
        return true;
    }

  private:
    const std::vector<replay::MousePosition>& events_;
};

// The value of --destination exactly as the command line gave it (the last
// one, as the parser takes it): a file name is bytes, never decoded and
// encoded again, which would rewrite bytes that are not UTF-8.
std::optional<std::string> RawDestination(int argc, char** argv) {
    static const std::string kOption = "--destination";
    std::optional<std::string> value;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--") break;
        if (argument == kOption && i + 1 < argc) {
            value = argv[++i];
        } else if (argument.rfind(kOption + "=", 0) == 0) {
            value = argument.substr(kOption.size() + 1);
        } else if (argument == "--registrant" || argument == "--bits" || argument == "--events") {
            ++i;  // their values are never options
        }
    }
    return value;
}

}  // namespace

int main(int argc, char** argv) {
    DisableCoreDumps();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("petitora-replay");
    QCoreApplication::setApplicationVersion(PETITORA_VERSION);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Runs one Petitora generation without a display. The access password is read as one "
        "line from standard input.");
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption registrantOption("registrant", "Registrant data (JSON).", "FILE");
    const QCommandLineOption bitsOption("bits", "Key size: 1024, 2048 or 4096.", "BITS");
    const QCommandLineOption eventsOption("events", "Mouse positions, one \"x y\" per line.",
                                          "EVENTS");
    const QCommandLineOption destinationOption(
        "destination", "Folder and request file name (default: the RFC in this folder).", "PATH");
    const QCommandLineOption replaceOption("replace", "Replace existing files of these names.");
    const QCommandLineOption noSystemOption(
        "no-system-entropy", "Seed from the mouse positions only (reproducible files).");
    parser.addOptions({registrantOption, bitsOption, eventsOption, destinationOption, replaceOption,
                       noSystemOption});
    if (!parser.parse(QCoreApplication::arguments())) return Fail(parser.errorText().toStdString());
    if (parser.isSet("help")) parser.showHelp(0);
    if (parser.isSet("version")) parser.showVersion();
    if (!parser.positionalArguments().isEmpty()) return Fail("unexpected argument");
    for (const auto* option : {&registrantOption, &bitsOption, &eventsOption}) {
        if (!parser.isSet(*option))
            return Fail("--" + option->names()[0].toStdString() + " is required");
    }
    const QString bits = parser.value(bitsOption);
    const int keySizeIndex = bits == "1024" ? 0 : bits == "2048" ? 1 : bits == "4096" ? 2 : -1;
    if (keySizeIndex < 0) return Fail("--bits must be 1024, 2048 or 4096");

    // The registrant, checked page by page as "Continuar" does, against the
    // office list the capture dialog would load from this folder.
    QFile registrantFile(parser.value(registrantOption));
    if (!registrantFile.open(QIODevice::ReadOnly)) {
        return Fail("cannot read " + registrantFile.fileName().toStdString());
    }
    RegionalOfficeList offices = BuiltInRegionalOffices();
    LoadRegionalOffices(kRegionalOfficesFileName, offices, nullptr, 0);
    CaptureStorage capture;
    std::string error;
    QByteArray registrantBytes;
    if (!replay::ReadWholeDevice(registrantFile, replay::kMaxRegistrantFileSize,
                                 &registrantBytes)) {
        return Fail(registrantFile.fileName().toStdString() + ": larger than " +
                    std::to_string(replay::kMaxRegistrantFileSize) + " bytes");
    }
    if (!replay::ReadRegistrantJson(registrantBytes, offices, &capture.registrant, &error)) {
        return Fail(registrantFile.fileName().toStdString() + ": " + error);
    }
    const Verdict verdict = AcceptCapture(capture.registrant);
    if (!verdict.valid) {
        PrintMessage(verdict.caption, verdict.message);
        return kExitRefused;
    }

    QFile eventsFile(parser.value(eventsOption));
    if (!eventsFile.open(QIODevice::ReadOnly)) {
        return Fail("cannot read " + eventsFile.fileName().toStdString());
    }
    std::vector<replay::MousePosition> events;
    if (!replay::ReadEvents(eventsFile, KeySizeBits(keySizeIndex), &events, &error)) {
        return Fail(eventsFile.fileName().toStdString() + ", " + error);
    }

    // The password box takes no more than kMaxKeyOptionText characters;
    // cutting a longer line would encrypt the key under a password other than
    // the one given. A character takes at most three bytes of UTF-8.
    const std::string tooLong =
        "the password is longer than " + std::to_string(kMaxKeyOptionText) + " characters";
    char typed[3 * kMaxKeyOptionText];
    std::size_t typedLength = 0;
    const PasswordLineStatus read =
        ReadPasswordLine(STDIN_FILENO, typed, sizeof typed, &typedLength);
    std::optional<std::string> password;
    if (read == PasswordLineStatus::Ok) {
        password = Utf8ToCp1252(std::string_view(typed, typedLength));
    }
    cerrojo::SecureWipeObject(typed);
    if (read == PasswordLineStatus::TooLong) return Fail(tooLong);
    if (read != PasswordLineStatus::Ok) return Fail("cannot read the password line");
    if (!password) return Fail("the password holds a character that Windows-1252 cannot hold");
    if (password->size() > kMaxKeyOptionText) {
        cerrojo::SecureWipe(password->data(), password->size());
        return Fail(tooLong);
    }

    SystemFileSystem files;
    capture.workingDirectory = files.CurrentDirectory();
    if (!capture.Allocated()) {
        cerrojo::SecureWipe(password->data(), password->size());
        const MessageRequest memory = MemoryErrorMessage();
        PrintMessage(memory.caption, memory.text);
        return kExitRefused;
    }
    cerrojo::RandomPool pool;
    GenerationJob job;
    InitGenerationJob(job, capture, &pool);
    job.keySizeIndex = keySizeIndex;
    job.password.Assign(*password);
    job.passwordConfirmation.Assign(*password);
    cerrojo::SecureWipe(password->data(), password->size());
    if (const std::optional<std::string> destination = RawDestination(argc, argv)) {
        job.pathText = *destination;
    }
    job.useSystemEntropy = !parser.isSet(noSystemOption);

    ReplayPresenter presenter(parser.isSet(replaceOption));
    ReplayHost host(events);
    GenerationServices services{presenter, host, files};
    return OnAccept(job, services).closeWithOk ? 0 : kExitRefused;
}
