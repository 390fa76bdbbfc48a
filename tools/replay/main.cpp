// petitora-replay: one generation run from files, without a display.
//
//   petitora-replay --registrant FILE.json --bits 1024|2048|4096 --events EVENTS.txt
//                   [--destination PATH] [--replace] [--no-system-entropy]
//   petitora-replay --version | --help
//
// The access password is one line of standard input. Every message of the run
// goes to standard error with its caption; the confirmation is answered Yes,
// the question about existing files No unless --replace is given.
// Exit status: 0 both files written and checked, 1 the run or the registrant
// was refused (its message says why), 2 bad arguments or unreadable input.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "text/cp1252.h"
#include "capture/offices.h"
#include "capture/rules.h"
#include "crypto/common.h"
#include "generation/driver.h"
#include "generation/file_system.h"
#include "generation/job.h"
#include "generation/key_options.h"
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

// One line of standard input without its line feed, into *line. Its storage
// is set aside first and never grows, so no copy of the password is left in
// released memory. False, after reading maxBytes + 1 bytes, when the line is
// longer (standard input may be a device that never ends).
bool ReadPasswordLine(std::string* line, std::size_t maxBytes) {
    line->clear();
    line->reserve(maxBytes);
    char c;
    while (std::cin.get(c) && c != '\n') {
        if (line->size() == maxBytes) return false;
        line->push_back(c);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    // Standard input carries the password: unbuffered (before anything reads
    // it), so that no copy of the line stays in the stream's buffer.
    std::setvbuf(stdin, nullptr, _IONBF, 0);
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
    std::string typed;
    if (!ReadPasswordLine(&typed, 3 * kMaxKeyOptionText)) {
        cerrojo::SecureWipe(typed.data(), typed.size());
        return Fail(tooLong);
    }
    std::optional<std::string> password = Utf8ToCp1252(typed);
    cerrojo::SecureWipe(typed.data(), typed.size());
    if (!password) return Fail("the password holds a character that Windows-1252 cannot hold");
    if (password->size() > kMaxKeyOptionText) {
        cerrojo::SecureWipe(password->data(), password->size());
        return Fail(tooLong);
    }

    SystemFileSystem files;
    capture.workingDirectory = files.CurrentDirectory();
    if (!capture.Allocated()) {
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
    if (parser.isSet(destinationOption)) {
        job.pathText = QFile::encodeName(parser.value(destinationOption)).toStdString();
    }
    job.useSystemEntropy = !parser.isSet(noSystemOption);

    ReplayPresenter presenter(parser.isSet(replaceOption));
    ReplayHost host(events);
    GenerationServices services{presenter, host, files};
    return OnAccept(job, services).closeWithOk ? 0 : kExitRefused;
}
