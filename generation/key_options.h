// The key-options logic: "&Aceptar" with the password and destination checks,
// the notice and the questions before a run, and the dialog's other boxes.
// The dialog reads its boxes into the job, calls these and moves the focus
// where they say; every message goes through a MessagePresenter.
#pragma once

#include <string>

#include "generation/driver.h"
#include "generation/file_system.h"
#include "generation/job.h"
#include "generation/message_presenter.h"

namespace petitora {

// Where the key-options dialog puts the keyboard focus after a failed check.
enum class KeyOptionsFocus { None, Password, Confirmation, Destination };

struct KeyOptionsOutcome {
    bool closeWithOk = false;  // files written: the dialog closes with OK
    KeyOptionsFocus focus = KeyOptionsFocus::None;
};

// "&Aceptar", after the dialog has read its boxes into job: loads the
// notice, checks the passwords and the destination (a request name that
// would also be the key file's name is refused), holds the destination
// folder open, asks before existing files of the run's names are replaced
// there (No: focus on the destination, nothing done), asks for confirmation
// and runs GenerateFiles in that folder, with the success message. Every
// message goes through services.messages. The process's current directory
// is never changed.
KeyOptionsOutcome OnAccept(GenerationJob& job, GenerationServices& services);

// The password rules, in order; the first failure is shown (caption "Error")
// and its box returned in focus.
struct PasswordCheck {
    bool valid = true;
    KeyOptionsFocus focus = KeyOptionsFocus::None;
};
PasswordCheck CheckPasswords(const GenerationJob& job, MessagePresenter& messages);

// Resolves pathText into job.destination (ResolveDestination) and sets
// outputName to its request name. Shows the folder message and returns false
// when the destination's folder is not a directory that can be entered (a
// bare name with no working directory known is not checked).
bool CheckOutputFolder(GenerationJob& job, MessagePresenter& messages, FileSystem& files);

// Fills workBuffer with the notice shown before generation (built in, or
// "Petitora.ini" of workingDirectory for the customs kinds). Always true.
bool LoadConfirmationText(GenerationJob& job, FileSystem& files);

// The text of the confirmation question: the notice that LoadConfirmationText
// left in workBuffer followed by the question, also left in workBuffer with a
// terminator. A notice that filled the buffer is cut so that both fit.
std::string ConfirmationText(GenerationJob& job);

// The key-size "?" box (information icon).
void ShowKeySizeHelp(MessagePresenter& messages);

// "Error de memoria en OnInitDialog()." with caption "Petitora".
MessageRequest MemoryErrorMessage();

}  // namespace petitora
