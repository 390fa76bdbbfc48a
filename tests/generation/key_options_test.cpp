// The key-options logic without a window: password rules, the destination
// folder, the notice text before generation, the opening of the dialog, and
// the arithmetic of the entropy step.
#include "generation/key_options.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <string>

#include "crypto/random.h"
#include "generation/entropy.h"
#include "generation/file_names.h"
#include "generation/generation_support.h"
#include "generation/job.h"
#include "generation/texts.h"

namespace {

using namespace petitora;
using gentest::ScratchFolder;
using gentest::W;
using gentest::WriteBytes;

// A job over its own capture storage, for one kind.
struct Dialog {
    CaptureStorage capture;
    cerrojo::RandomPool pool;
    GenerationJob job;
    gentest::ScriptedPresenter messages;
    SystemFileSystem files;

    explicit Dialog(UserType type = UserType::PersonaFisica, const std::string& folder = "") {
        capture.registrant = gentest::Registrant(type);
        capture.workingDirectory = folder;
        InitGenerationJob(job, capture, &pool);
    }
    std::string Notice() {
        LoadConfirmationText(job, files);
        return job.notice;
    }
};

TEST(CheckPasswords, FirstFailingRuleGivesItsMessageAndFocus) {
    const std::string invalid = W("Error, la clave de acceso es invalida.");
    const std::string noConfirmation = W("Error, la clave de confirmación es invalida.");
    const std::string tooShort = W("Error, el tamaño minimo de las claves es de 8 caracteres.");
    const std::string differ = W("Error, las claves de acceso y de confirmación no son iguales.");
    struct Case {
        std::string password, confirmation, message;
        KeyOptionsFocus focus;
    } cases[] = {
        {"", "", invalid, KeyOptionsFocus::Password},
        {"", "abcdefgh", invalid, KeyOptionsFocus::Password},
        {"abcdefgh", "", noConfirmation, KeyOptionsFocus::Confirmation},
        {"abcdefg", "abcdefg", tooShort, KeyOptionsFocus::Password},
        {"abcdefgh", "abcdefg", tooShort, KeyOptionsFocus::Confirmation},
        {"abcdefgH", "abcdefgh", differ, KeyOptionsFocus::Password},
        {W("contraseña"), W("contraseña"), "", KeyOptionsFocus::None},
        {std::string(255, 'x'), std::string(255, 'x'), "", KeyOptionsFocus::None},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.password + " / " + c.confirmation);
        Dialog dialog;
        dialog.job.password.Assign(c.password);
        dialog.job.passwordConfirmation.Assign(c.confirmation);
        const PasswordCheck check = CheckPasswords(dialog.job, dialog.messages);
        EXPECT_EQ(check.valid, c.message.empty());
        EXPECT_EQ(check.focus, c.focus);
        if (c.message.empty()) {
            EXPECT_TRUE(dialog.messages.shown.empty());
            continue;
        }
        ASSERT_EQ(dialog.messages.shown.size(), 1u);
        EXPECT_EQ(dialog.messages.shown[0].text, c.message);
        EXPECT_EQ(dialog.messages.shown[0].caption, "Error");
        EXPECT_EQ(dialog.messages.shown[0].buttons, MessageButtons::Ok);
        EXPECT_EQ(dialog.messages.shown[0].icon, MessageIcon::None);
    }
}

TEST(SecretText, KeepsAtMost255BytesAndClearsItsStorage) {
    SecretText text;
    text.Assign(std::string(300, 'p'));
    EXPECT_EQ(text.View(), std::string(255, 'p'));
    const char* storage = text.View().data();
    text.Assign("corta");
    EXPECT_EQ(text.View(), "corta");
    EXPECT_EQ(text.View().data(), storage);  // never reallocated
    EXPECT_EQ(std::string(storage, 255), "corta" + std::string(250, '\0'));
    text.Clear();
    EXPECT_TRUE(text.Empty());
    EXPECT_EQ(std::string(storage, 255), std::string(255, '\0'));
}

TEST(CheckOutputFolder, ResolvesTheDestinationAndChecksItsFolder) {
    ScratchFolder scratch;
    std::filesystem::create_directory(scratch / "salida");
    std::filesystem::create_directory(scratch / "otra");
    const std::string folderMessage =
        "Error: el nombre de la ruta para almacenar los archivos no existe.";
    Dialog dialog(UserType::PersonaFisica, scratch.Path());
    const auto check = [&](const std::string& path) {
        dialog.job.pathText = path;
        dialog.messages.shown.clear();
        return CheckOutputFolder(dialog.job, dialog.messages, dialog.files);
    };
    const auto current = [] { return std::filesystem::current_path().string(); };
    const auto folder = [&] { return dialog.job.destination.folder; };

    // A bare name: the working directory, whatever is current; the process's
    // current directory never changes.
    std::filesystem::current_path(scratch / "otra");
    EXPECT_TRUE(check("PELJ800101AB1.req"));
    EXPECT_EQ(folder(), scratch.Path());
    EXPECT_EQ(dialog.job.outputName, "PELJ800101AB1.req");
    EXPECT_EQ(dialog.job.destination.keyName, "PELJ800101AB1.key");

    // A relative folder is found from the working directory every time.
    for (int i = 0; i < 2; ++i) {
        EXPECT_TRUE(check("salida/mi solicitud.req"));
        EXPECT_EQ(folder(), scratch / "salida");
        EXPECT_EQ(dialog.job.outputName, "mi solicitud.req");
    }
    EXPECT_TRUE(check(scratch / "otra/x.req"));
    EXPECT_EQ(folder(), scratch / "otra");
    EXPECT_TRUE(check("/raiz.req"));
    EXPECT_EQ(folder(), "/");
    EXPECT_EQ(dialog.job.outputName, "raiz.req");
    EXPECT_EQ(current(), scratch / "otra");

    // A missing folder: the message, and the name is still taken.
    EXPECT_FALSE(check("no-existe/PELJ.req"));
    EXPECT_EQ(dialog.messages.Texts(), std::vector<std::string>{folderMessage});
    EXPECT_EQ(dialog.messages.shown[0].caption, "Petitora");
    EXPECT_EQ(dialog.job.outputName, "PELJ.req");
    EXPECT_EQ(current(), scratch / "otra");

    // A backslash folder is not a folder here; the later separator splits.
    EXPECT_FALSE(check("C:\\datos\\PELJ.req"));
    EXPECT_EQ(dialog.job.outputName, "PELJ.req");
    EXPECT_FALSE(check("sal\\ida/otro.req"));
    EXPECT_EQ(dialog.job.outputName, "otro.req");

    // A working directory that has gone: the folder message, not another folder.
    dialog.job.workingDirectory = scratch / "borrada";
    EXPECT_FALSE(check("PELJ.req"));
    EXPECT_EQ(dialog.messages.Texts(), std::vector<std::string>{folderMessage});
}

TEST(LoadConfirmationText, BuiltInNoticeOrTheCustomsKindsFile) {
    const std::string builtIn =
        W("Ahora el sistema generará la llave privada (*.key). Este archivo deberá guardarse en "
          "lugar seguro ya que su uso será responsabilidad absoluta del usuario propietario.\n"
          "También se generará el requerimiento (*.req) digital, el cuál deberá entregarse "
          "personalmente en la Unidad Administrativa del Hacendia más cercana para obtener despues "
          "el archivo Certificado (o Garantía) digital.\n");
    ScratchFolder scratch;

    // No file: every kind gets the built-in text.
    for (int type = 0; type < kUserTypeCount; ++type) {
        Dialog dialog(static_cast<UserType>(type), scratch.Path());
        EXPECT_EQ(dialog.Notice(), builtIn) << type;
    }

    // The file: CR LF becomes LF, a lone CR stays, NUL bytes add nothing.
    WriteBytes(scratch / "Petitora.ini",
               std::string("Aviso\r\nde la \xC1rea\r", 19) + std::string("\0\0fin\r\n", 7));
    for (int type = 0; type < kUserTypeCount; ++type) {
        Dialog dialog(static_cast<UserType>(type), scratch.Path());
        const bool customs = type >= 3 && type <= 5;
        EXPECT_EQ(dialog.Notice(), customs ? "Aviso\nde la \xC1rea\rfin\n" : builtIn) << type;
    }

    // The 4,096-character limit counts the characters read (CR LF as one,
    // NUL included); the question then takes the end of a full notice.
    Dialog agent(UserType::AgenteAduanal, scratch.Path());
    std::string big = std::string(10, '\0') + std::string(4000, 'a');
    for (int i = 0; i < 100; ++i) big += "\r\n";
    WriteBytes(scratch / "Petitora.ini", big + "sobra");
    EXPECT_EQ(agent.Notice(), std::string(4000, 'a') + std::string(86, '\n'));
    const std::string question = W("\nEstán correctos los datos ?");
    const std::string asked = ConfirmationText(agent.job);
    EXPECT_EQ(asked.size(), kNoticeCapacity - 1);  // and a terminator: the capacity
    EXPECT_EQ(asked.substr(asked.size() - question.size()), question);
    EXPECT_EQ(asked.substr(0, 8), "aaaaaaaa");

    Dialog person;
    person.Notice();
    EXPECT_EQ(ConfirmationText(person.job), builtIn + question);

    // Not a regular file, or not readable: the built-in text.
    std::filesystem::remove(scratch / "Petitora.ini");
    std::filesystem::create_directory(scratch / "Petitora.ini");
    EXPECT_EQ(agent.Notice(), builtIn);
    std::filesystem::remove(scratch / "Petitora.ini");
    ASSERT_EQ(mkfifo((scratch / "Petitora.ini").c_str(), 0600), 0);
    EXPECT_EQ(agent.Notice(), builtIn);  // and does not wait for a writer
}

TEST(InitGenerationJob, OpensWithTheDefaultsAndAFileNameInThePlatformEncoding) {
    CaptureStorage capture;
    capture.registrant = gentest::Registrant(UserType::Mandatario);
    capture.registrant.rfcLetters = W("NUÑE");
    capture.workingDirectory = "/tmp";
    cerrojo::RandomPool pool;
    std::memset(&pool, 0x5A, sizeof pool);
    GenerationJob job;
    job.keySizeIndex = 2;
    job.password.Assign("vieja");
    InitGenerationJob(job, capture, &pool);
    EXPECT_EQ(job.outputName, "NUÑE800101AB1.req");
    EXPECT_EQ(job.pathText, job.outputName);
    EXPECT_EQ(job.keySizeIndex, 0);
    EXPECT_TRUE(job.password.Empty());
    EXPECT_EQ(job.outputLength, 4096u);
    EXPECT_EQ(job.workingDirectory, "/tmp");
    EXPECT_EQ(job.workBuffer, capture.workBuffer.data());
    EXPECT_EQ(static_cast<void*>(job.privateKeyBuffer), capture.privateKeyBuffer.data());
    EXPECT_EQ(job.pool, &pool);
    EXPECT_EQ(pool.needed, 0u);
    EXPECT_TRUE(job.useSystemEntropy);
}

TEST(FileNameForDisplay, WindowsLettersKeptOthersShownAsQuestionMarks) {
    EXPECT_EQ(FileNameForDisplay("NUÑE.req"), W("NUÑE.req"));
    EXPECT_EQ(FileNameForDisplay("a\xE4\xB8\xAD"
                                 "b.req"),
              "a?b.req");
    EXPECT_EQ(FileNameForDisplay("bad\xFF.req"), "bad?.req");
}

TEST(OtherBoxes, KeySizeHelpAndMemoryError) {
    gentest::ScriptedPresenter messages;
    ShowKeySizeHelp(messages);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Information);
    EXPECT_EQ(messages.shown[0].text,
              W("Respecto al tamaño de la llave mientras esté valor sea mas grande, las llaves "
                "privada y publica seran más seguras."));
    EXPECT_EQ(MemoryErrorMessage().text, "Error de memoria en OnInitDialog().");
    EXPECT_EQ(MemoryErrorMessage().caption, "Petitora");
}

TEST(EntropyCollection, FeedsFourLittleEndianBytesPerEventAndCountsProgress) {
    EXPECT_EQ(EntropyCollection::SeedValue(5, 3, 7), 3012u);
    EXPECT_NE(EntropyCollection::SeedValue(0, 10, 10), EntropyCollection::SeedValue(1, 10, 10));
    EXPECT_EQ(EntropyCollection::SeedValue(0, 4294968, 0), 704u);  // wraps at 2^32
    EXPECT_EQ(EntropyCollection::SeedValue(0, -1, 0), 4294966296u);

    // The 6th event at (3, 7) feeds C4 0B 00 00, as a pool fed by hand shows.
    cerrojo::RandomPool fed{}, byHand{};
    cerrojo::RandomInit(&fed);
    cerrojo::RandomInit(&byHand);
    EntropyCollection collection(&fed, 1024);
    for (int i = 0; i < 5; ++i) {
        collection.OnMouseMove(i, 0);
        const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(i * 1000 + i),
                                       static_cast<std::uint8_t>((i * 1000 + i) >> 8), 0, 0};
        cerrojo::RandomUpdate(&byHand, bytes, 4);
    }
    collection.OnMouseMove(3, 7);
    const std::uint8_t sixth[4] = {0xC4, 0x0B, 0x00, 0x00};
    cerrojo::RandomUpdate(&byHand, sixth, 4);
    EXPECT_EQ(std::memcmp(&fed, &byHand, sizeof fed), 0);

    // 1024 events: the bar (0..102) is full at the 1020th, the dialog closes
    // at the 1024th, later events are ignored.
    EXPECT_EQ(collection.ProgressMaximum(), 102);
    EXPECT_FALSE(collection.UsesLargeGeometry());
    int closes = 0, moves = 0;
    for (int i = 6; i < 1100; ++i) {
        closes += collection.OnMouseMove(i, i);
        if (collection.EventCount() == static_cast<std::uint32_t>(i + 1)) {
            moves += collection.ProgressChanged();
            if (i + 1 == 1020) {
                EXPECT_EQ(collection.ProgressPosition(), 102);
            }
        }
    }
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(collection.EventCount(), 1024u);
    EXPECT_EQ(moves, 102);
    EXPECT_EQ(fed.needed, 0u);

    EntropyCollection large(&fed, 2048);
    EXPECT_TRUE(large.UsesLargeGeometry());
    EXPECT_EQ(large.ProgressMaximum(), 204);
    EXPECT_EQ(EntropyCollection(&fed, 4096).ProgressMaximum(), 409);
}

}  // namespace
