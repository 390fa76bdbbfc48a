// The key-options logic: the dialog's opening, "&Aceptar" with its checks
// and questions before a run, and the dialog's other boxes.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "generation/driver.h"
#include "generation/file_system.h"
#include "generation/job.h"
#include "generation/message_presenter.h"
#include "generation/texts.h"

namespace petitora {

// The opening of the key-options dialog: points job at capture's storage and
// at pool (zeroed, owned by the dialog), sets outputName and pathText to the
// full RFC + ".req" (the destination: that name in workingDirectory), empties
// both passwords, keySizeIndex 0, outputLength 4096.
void InitGenerationJob(GenerationJob& job, CaptureStorage& capture, cerrojo::RandomPool* pool);

// Where the key-options dialog puts the keyboard focus after a failed check.
enum class KeyOptionsFocus { None, Password, Confirmation, Destination };

struct KeyOptionsOutcome {
    bool closeWithOk = false;  // files written: the dialog closes with OK
    KeyOptionsFocus focus = KeyOptionsFocus::None;
};

// "&Aceptar", after the dialog has read its boxes into job: loads the
// notice, checks the passwords and the destination (the RFC's default name
// when the RFC cannot be a file name; a destination that names no file or
// names a folder; a request name that would also be the key file's name:
// each refused with its message, focus on the destination), holds the
// destination folder open, completes or undoes there a store step an
// earlier run left half done (RecoverPair, one message; a record it cannot
// understand stops the run), asks before existing files of the run's names
// are replaced there (No: focus on the destination, nothing done) and
// records them as agreed, asks for confirmation and runs GenerateFiles in
// that folder, with the success message. Every message goes through
// services.messages. The process's current directory is never changed.
KeyOptionsOutcome OnAccept(GenerationJob& job, GenerationServices& services);

// The password rules, in order; the first failure is shown (caption "Error")
// and its box returned in focus.
struct PasswordCheck {
    bool valid = true;
    KeyOptionsFocus focus = KeyOptionsFocus::None;
};
PasswordCheck CheckPasswords(const GenerationJob& job, MessagePresenter& messages);

// The same rules on any two texts (Windows-1252 bytes): the first broken
// rule's message and box, or nothing when both texts pass.
struct PasswordFailure {
    GenerationText message;
    KeyOptionsFocus focus;
};
std::optional<PasswordFailure> BrokenPasswordRule(std::string_view password,
                                                  std::string_view confirmation);

// Resolves pathText into job.destination (ResolveDestination) and sets
// outputName to its request name. Shows the folder message and returns false
// when the destination's folder is not a directory that can be entered (a
// bare name with no working directory known is not checked).
bool CheckOutputFolder(GenerationJob& job, MessagePresenter& messages, FileSystem& files);

// The notice takes at most this many characters of "Petitora.ini"; with the
// question after it and a terminator it keeps within as many bytes.
inline constexpr std::size_t kNoticeCapacity = 4096;

// Puts the notice shown before generation into job.notice: built in, or for
// the customs kinds "Petitora.ini" of workingDirectory read as text (CR LF
// becomes LF; a NUL adds nothing but counts toward the kNoticeCapacity
// characters taken). Always true.
bool LoadConfirmationText(GenerationJob& job, FileSystem& files);

// The text of the confirmation question: job.notice followed by the question.
// A notice too long for both and a terminator within kNoticeCapacity bytes
// gives up its end.
std::string ConfirmationText(const GenerationJob& job);

// The key-size "?" box (information icon).
void ShowKeySizeHelp(MessagePresenter& messages);

// "Error de memoria en OnInitDialog()." with caption "Petitora".
MessageRequest MemoryErrorMessage();

}  // namespace petitora
