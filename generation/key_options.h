// Helpers of the key-options logic (generation/job.h) that the dialogs and
// tests may also call.
#pragma once

#include <string>

#include "generation/file_system.h"
#include "generation/job.h"
#include "generation/message_presenter.h"

namespace petitora {

// The text of the confirmation question: the notice that LoadConfirmationText
// left in workBuffer followed by the question, also left
// in workBuffer with a terminator. A notice that filled the buffer is cut so
// that both fit.
std::string ConfirmationText(GenerationJob& job);

// Asks (question icon, Yes and No, caption "Petitora") before files of the
// run's names (outputName and its key file name) that already exist would be
// replaced; the request file does not count when the user agreed to replace
// it in the save-as chooser (replaceAgreedPath == pathText). True when
// nothing exists or the answer is Yes.
bool ConfirmReplacement(const GenerationJob& job, MessagePresenter& messages, FileSystem& files);

// A file name (platform encoding, UTF-8) as Windows-1252 for a message; a
// character that Windows-1252 cannot show becomes "?".
std::string FileNameForDisplay(const std::string& name);

}  // namespace petitora
