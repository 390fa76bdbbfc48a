// Inputs mapped faithfully to the files: the one password-line rule of the
// command-line programs, and the destinations refused before any mouse
// movement.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "generation/file_names.h"
#include "generation/generation_support.h"
#include "generation/password_line.h"
#include "generation/texts.h"

namespace {

using namespace petitora;

TEST(PasswordLine, LineEndsAreNotPartOfThePasswordAndTheReadIsBounded) {
    struct Case {
        std::string input;
        PasswordLineStatus status;
        std::string line;
    };
    const std::string full(8, 'x');
    const Case cases[] = {
        {"clave\n", PasswordLineStatus::Ok, "clave"},
        {"clave\r\n", PasswordLineStatus::Ok, "clave"},
        {"clave", PasswordLineStatus::Ok, "clave"},
        {"clave\r", PasswordLineStatus::Ok, "clave\r"},
        {"cla\rve\r\r\n", PasswordLineStatus::Ok, "cla\rve\r"},
        {"\n", PasswordLineStatus::Ok, ""},
        {"uno\ndos\n", PasswordLineStatus::Ok, "uno"},
        {full + "\r\n", PasswordLineStatus::Ok, full},
        {full + "y\n", PasswordLineStatus::TooLong, full},
        {full + "\rz", PasswordLineStatus::TooLong, full},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.input));
        int ends[2];
        ASSERT_EQ(::pipe(ends), 0);
        ASSERT_EQ(::write(ends[1], c.input.data(), c.input.size()),
                  static_cast<ssize_t>(c.input.size()));
        ::close(ends[1]);
        char out[8];
        std::size_t length = 0;
        EXPECT_EQ(ReadPasswordLine(ends[0], out, sizeof out, &length), c.status);
        EXPECT_EQ(std::string(out, length), c.line);
        ::close(ends[0]);
    }
    // An input that never ends ends the read.
    const int zero = ::open("/dev/zero", O_RDONLY | O_CLOEXEC);
    ASSERT_GE(zero, 0);
    char out[255];
    std::size_t length = 0;
    EXPECT_EQ(ReadPasswordLine(zero, out, sizeof out, &length), PasswordLineStatus::TooLong);
    ::close(zero);
}

// Each destination fails at once with its message and the focus on the
// destination box, before the wait notice and the mouse.
TEST(PairInputs, DestinationsThatCannotTakeTheFilesFailBeforeTheMouse) {
    const std::string folderMissing = Text(GenerationText::FolderMissing);
    const std::string badDefault = Text(GenerationText::DefaultNameInvalid);
    struct Case {
        const char* label;
        std::string rfcLetters;  // "" keeps the registrant's
        std::string pathText;    // "=" keeps the default name
        const std::string& message;
    };
    const Case cases[] = {
        {"empty", "", "", folderMissing},
        {"ending in /", "", "salida/", folderMissing},
        {"ending in \\", "", "salida\\", folderMissing},
        {"dot", "", ".", folderMissing},
        {"dot dot", "", "salida/..", folderMissing},
        {"a folder", "", "salida", folderMissing},
        {"a name of the store step's own files", "", ".petitora-req-a.req", folderMissing},
        {"RFC letters with ../", "../A", "=", badDefault},
        {"RFC letters with ..\\", "..\\A", "=", badDefault},
        {"RFC letters with a control character", "PE\tJ", "=", badDefault},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        gentest::Session session(gentest::Registrant(UserType::PersonaFisica));
        std::filesystem::create_directory(session.folder / "salida");
        if (!c.rfcLetters.empty()) session.capture.registrant.rfcLetters = c.rfcLetters;
        session.job.pathText =
            c.pathText == "=" ? DefaultRequestName(session.capture.registrant) : c.pathText;
        const KeyOptionsOutcome outcome = session.Accept();
        EXPECT_FALSE(outcome.closeWithOk);
        EXPECT_EQ(outcome.focus, KeyOptionsFocus::Destination);
        EXPECT_EQ(session.messages.Texts(), std::vector<std::string>{c.message});
        EXPECT_EQ(session.host.waitNotices + session.host.collections, 0);
        EXPECT_EQ(session.folder.List(), std::set<std::string>{"salida"});
        if (c.message == badDefault) {
            // Another name typed in the box is taken.
            session.messages.shown.clear();
            session.job.pathText = "otro.req";
            EXPECT_TRUE(session.Accept().closeWithOk);
            EXPECT_EQ(session.folder.List(),
                      (std::set<std::string>{"salida", "otro.req", "otro.key"}));
        }
    }
}

}  // namespace
