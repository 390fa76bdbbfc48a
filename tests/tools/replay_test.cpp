// The replay's readers on bytes, and the petitora-replay program driven
// through its command line.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <QBuffer>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "generation/generation_support.h"
#include "support/replay_inputs.h"
#include "tools/replay/replay_io.h"

namespace {

using namespace petitora;
using namespace petitora::replay;
using gentest::ReadBytes;
using gentest::ScratchFolder;
using gentest::WriteBytes;
using testsupport::Persona;
using testsupport::PrepareInputs;

TEST(ReadRegistrantJson, FieldsByNameAndEveryRefusalNamesTheField) {
    RegionalOfficeList offices;
    offices.items = {"12 CENTRO D.F.", "13 SUR D.F."};
    RegistrantRecord record;
    std::string error;
    ASSERT_TRUE(ReadRegistrantJson(QByteArray::fromStdString(Persona()), offices, &record, &error))
        << error;
    EXPECT_EQ(record.userType, UserType::PersonaFisica);
    EXPECT_EQ(record.paternalSurname, "P\xC9REZ");
    EXPECT_EQ(record.stateIndex, 8);
    EXPECT_EQ(record.regionalOffice, "12 CENTRO D.F.");
    EXPECT_EQ(record.curp, "");

    ASSERT_TRUE(ReadRegistrantJson(R"({"userType": 6, "rfcEntityLetters": "ACM",
        "regionalOffice": "13 SUR D.F."})",
                                   offices, &record, &error));
    EXPECT_EQ(record.userType, UserType::Banco);
    EXPECT_EQ(record.rfcEntityLetters, "ACM");
    EXPECT_EQ(record.regionalOffice, "13 SUR D.F.");

    const std::pair<std::string, std::string> refused[] = {
        {R"({"userType": 0,)", "malformed JSON"},
        {R"([0])", "one JSON object"},
        {R"({"name": "X"})", "\"userType\""},
        {R"({"userType": 7})", "\"userType\""},
        {R"({"userType": 1.5})", "\"userType\""},
        {R"({"userType": "0"})", "\"userType\""},
        {R"({"userType": 0, "nombre": "X"})", "unknown field \"nombre\""},
        {R"({"userType": 0, "name": 5})", "\"name\" must be a string"},
        {R"({"userType": 0, "stateIndex": "8"})", "\"stateIndex\""},
        {R"({"userType": 0, "stateIndex": 1e12})", "\"stateIndex\""},
        {R"({"userType": 0, "street": "Calle 中"})", "\"street\" holds a character"},
        {R"({"userType": 0, "name": "JOS\ud800"})", "\"name\" holds a character"},
        {R"({"userType": 0, "name": "JOS\udc00\ud800"})", "\"name\" holds a character"},
    };
    for (const auto& [json, expected] : refused) {
        error.clear();
        EXPECT_FALSE(ReadRegistrantJson(QByteArray::fromStdString(json), offices, &record, &error))
            << json;
        EXPECT_NE(error.find(expected), std::string::npos) << json << " -> " << error;
    }
}

TEST(ReadEvents, PositionsCommentsAndTheLineOfAnError) {
    MousePosition p{};
    EXPECT_EQ(ParseEventLine(" 12\t-7 \r\n", &p), EventLine::Position);
    EXPECT_EQ(p.x, 12);
    EXPECT_EQ(p.y, -7);
    EXPECT_EQ(ParseEventLine("2147483647 -2147483648", &p), EventLine::Position);
    for (const char* skipped : {"", "\n", "   \r\n", "# comentario", "  # 1 2"}) {
        EXPECT_EQ(ParseEventLine(skipped, &p), EventLine::Skip) << skipped;
    }
    for (const char* bad : {"1", "1 2 3", "1,2", "+1 2", "1 2x", "2147483648 0", "x y"}) {
        EXPECT_EQ(ParseEventLine(bad, &p), EventLine::Malformed) << bad;
    }

    QByteArray script("# inicio\n1 2\n\n3 4\nbasura\n");
    QBuffer device(&script);
    device.open(QIODevice::ReadOnly);
    std::vector<MousePosition> events;
    std::string error;
    EXPECT_FALSE(ReadEvents(device, 10, &events, &error));
    EXPECT_NE(error.find("line 5"), std::string::npos) << error;

    // The line after the last position needed is never read.
    device.seek(0);
    ASSERT_TRUE(ReadEvents(device, 2, &events, &error));
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[1].x, 3);
    EXPECT_EQ(events[1].y, 4);
}

// A sequential device, as a pipe is: it gives its bytes in small pieces and
// reports no bytes available ahead of a read. An endless one (like
// /dev/zero) gives its fill byte for ever; it stops only after kGiveUp bytes,
// so that a reader without a bound fails the test instead of taking all memory.
class PipeDevice : public QIODevice {
  public:
    static constexpr qint64 kGiveUp = qint64{16} << 20;
    struct Endless {
        char fill;
    };
    explicit PipeDevice(QByteArray bytes) : bytes_(std::move(bytes)) { open(ReadOnly); }
    explicit PipeDevice(Endless endless) : endless_(true), fill_(endless.fill) { open(ReadOnly); }
    bool isSequential() const override { return true; }
    qint64 Taken() const { return at_; }

  protected:
    qint64 readData(char* data, qint64 maxSize) override {
        if (endless_) {
            if (at_ >= kGiveUp) return -1;
            const qint64 n = std::min(maxSize, kGiveUp - at_);
            std::memset(data, fill_, static_cast<std::size_t>(n));
            at_ += n;
            return n;
        }
        if (at_ == bytes_.size()) return -1;
        const qint64 n = std::min<qint64>({maxSize, 7, bytes_.size() - at_});
        std::memcpy(data, bytes_.constData() + at_, static_cast<std::size_t>(n));
        at_ += n;
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

  private:
    QByteArray bytes_;
    qint64 at_ = 0;
    bool endless_ = false;
    char fill_ = 0;
};

TEST(ReadEvents, ReadsAPipeToItsEnd) {
    PipeDevice pipe(
        "# por una tuber\xC3\xAD"
        "a\n1 2\n\n3 4\n5 6");
    std::vector<MousePosition> events;
    std::string error;
    ASSERT_TRUE(ReadEvents(pipe, 10, &events, &error)) << error;
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[2].x, 5);
    EXPECT_EQ(events[2].y, 6);
}

// Endless input (a device, a huge file without line feeds) is refused after a
// bounded read, never gathered into memory.
TEST(ReplayReaders, EndlessInputIsRefusedAfterABoundedRead) {
    std::vector<MousePosition> events;
    std::string error;
    PipeDevice endlessLine(PipeDevice::Endless{'#'});
    EXPECT_FALSE(ReadEvents(endlessLine, 10, &events, &error));
    EXPECT_NE(error.find("line 1"), std::string::npos) << error;
    EXPECT_LT(endlessLine.Taken(), qint64{1} << 20);

    QByteArray bytes;
    PipeDevice endlessFile(PipeDevice::Endless{'\0'});
    EXPECT_FALSE(ReadWholeDevice(endlessFile, kMaxRegistrantFileSize, &bytes));
    EXPECT_LE(endlessFile.Taken(), 2 * kMaxRegistrantFileSize);

    PipeDevice small(QByteArray(1000, 'x'));
    ASSERT_TRUE(ReadWholeDevice(small, 1000, &bytes));
    EXPECT_EQ(bytes, QByteArray(1000, 'x'));
    PipeDevice oneMore(QByteArray(1001, 'x'));
    EXPECT_FALSE(ReadWholeDevice(oneMore, 1000, &bytes));

    // A line of the longest length, line feed included, is still read.
    const QByteArray longest = QByteArray(kMaxEventLineLength - 4, ' ') + "1 2\n";
    PipeDevice longLine(longest + longest);
    ASSERT_TRUE(ReadEvents(longLine, 10, &events, &error)) << error;
    EXPECT_EQ(events.size(), 2u);
    PipeDevice tooLong(" " + longest);
    EXPECT_FALSE(ReadEvents(tooLong, 10, &events, &error));
}

// Runs the program in folder with password on standard input; returns the
// exit status and what it wrote to standard error.
// Standard input is input, "password.txt" being the file just written.
int Replay(const ScratchFolder& folder, const std::string& arguments, std::string* output,
           const std::string& password = "clave de acceso",
           const std::string& input = "password.txt") {
    WriteBytes(folder / "password.txt", password + "\n");
    const std::string command = "cd '" + folder.Path() + "' && '" PETITORA_REPLAY_BINARY "' " +
                                arguments + " < " + input + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return -1;
    output->clear();
    char chunk[4096];
    std::size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, pipe)) > 0) output->append(chunk, n);
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

const std::string kArgs = "--registrant persona.json --bits 1024 --events events.txt ";

TEST(ReplayProgram, SameInputsSameFilesOnlyWithoutTheSystemSource) {
    std::string pairs[4];
    for (int i = 0; i < 4; ++i) {
        ScratchFolder folder;
        PrepareInputs(folder, Persona(R"(, "regionalOffice": "12 CENTRO D.F.")"), 1024);
        std::string output;
        ASSERT_EQ(Replay(folder, kArgs + (i < 2 ? "--no-system-entropy" : ""), &output), 0)
            << output;
        EXPECT_NE(output.find("Ahora ya cuenta con un requerimiento"), std::string::npos);
        pairs[i] =
            ReadBytes(folder / "PELJ800101AB1.req") + ReadBytes(folder / "PELJ800101AB1.key");
        EXPECT_GT(pairs[i].size(), 1000u);
    }
    EXPECT_EQ(pairs[0], pairs[1]);
    EXPECT_NE(pairs[1], pairs[2]);
    EXPECT_NE(pairs[2], pairs[3]);
}

TEST(ReplayProgram, DestinationExistingFilesAndRefusals) {
    ScratchFolder folder;
    const std::string office = R"(, "regionalOffice": "12 CENTRO D.F.")";
    PrepareInputs(folder, Persona(office), 300);
    std::filesystem::create_directory(folder / "salida");
    WriteBytes(folder / "salida/mia.key", "earlier key");
    std::string output;

    // Existing key file: refused unless --replace; a short script is Enter
    // after its last line (300 events seed the pool of a 1024-bit key).
    const std::string args = kArgs + "--destination salida/mia.req --no-system-entropy";
    EXPECT_EQ(Replay(folder, args, &output), 1);
    EXPECT_NE(output.find("El archivo mia.key ya existe."), std::string::npos) << output;
    EXPECT_EQ(ReadBytes(folder / "salida/mia.key"), "earlier key");
    EXPECT_EQ(Replay(folder, args + " --replace", &output), 0) << output;
    EXPECT_EQ(folder.List("salida"), (std::set<std::string>{"mia.req", "mia.key"}));

    // Too few events for the pool: the driver's failure.
    PrepareInputs(folder, Persona(office), 200);
    EXPECT_EQ(Replay(folder, kArgs, &output), 1);
    EXPECT_NE(output.find("Petitora: No fue posible generar sus archivos"), std::string::npos);

    // A registrant the capture rules refuse, with the rule's message.
    PrepareInputs(folder, Persona(R"(, "regionalOffice": "12 CENTRO D.F.", "email": "")"), 10);
    EXPECT_EQ(Replay(folder, kArgs, &output), 1);
    EXPECT_NE(output.find("Error: Error, falta capturar el correo electronico del usuario."),
              std::string::npos)
        << output;

    // Without "regionalOffice" the first office of the list applies: the
    // built-in "01 CELAYA" does not belong to Distrito Federal, the first
    // line of this folder's Regionales.ini does.
    PrepareInputs(folder, Persona(), 1024);
    EXPECT_EQ(Replay(folder, kArgs, &output), 1);
    EXPECT_NE(output.find("A.L.R."), std::string::npos) << output;
    WriteBytes(folder / "Regionales.ini", "12 CENTRO D.F.\n13 SUR D.F.\n");
    EXPECT_EQ(Replay(folder, kArgs + "--replace", &output), 0) << output;

    // Bad input: exit status 2 and a clear error.
    WriteBytes(folder / "events.txt", "1 2\n3 4\n5\n");
    EXPECT_EQ(Replay(folder, kArgs, &output), 2);
    EXPECT_NE(output.find("events.txt, line 3"), std::string::npos) << output;
    EXPECT_EQ(Replay(folder, "--registrant /dev/zero --bits 1024 --events events.txt", &output), 2);
    EXPECT_NE(output.find("larger than"), std::string::npos) << output;
    EXPECT_EQ(Replay(folder, "--registrant persona.json --bits 512 --events events.txt", &output),
              2);
    PrepareInputs(folder, Persona(office), 10);
    EXPECT_EQ(Replay(folder, kArgs, &output, "contraseña 中文"), 2);
    EXPECT_NE(output.find("password"), std::string::npos) << output;

    // A password longer than the box holds is refused, never cut: a key
    // encrypted under its first 255 characters would not open with it.
    PrepareInputs(folder, Persona(office), 300);
    EXPECT_EQ(Replay(folder, kArgs + "--destination largo.req", &output, std::string(256, 'x')), 2);
    EXPECT_NE(output.find("255"), std::string::npos) << output;
    EXPECT_FALSE(std::filesystem::exists(folder / "largo.key"));
    EXPECT_EQ(Replay(folder, kArgs + "--destination largo.req", &output, std::string(255, 'x')), 0)
        << output;
    EXPECT_EQ(Replay(folder, kArgs + "--destination largo.req", &output, "", "/dev/zero"), 2);
    EXPECT_NE(output.find("255"), std::string::npos) << output;
}

}  // namespace
