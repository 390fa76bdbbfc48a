// The message seam's Qt side: every message box of the program is shown by
// QtMessagePresenter, and the dialogs reach it only as a MessagePresenter,
// so a test can answer the boxes with a scripted presenter instead.
#pragma once

#include "capture/registrant.h"
#include "generation/file_system.h"
#include "generation/message_presenter.h"

class QWidget;

namespace petitora {

// Shows each request as a modal QMessageBox over the window the user is
// working in (the active modal dialog, else the active window).
class QtMessagePresenter final : public MessagePresenter {
  public:
    MessageAnswer Show(const MessageRequest& request) override;
};

// What every dialog of the program is given by the one that opens it.
struct DialogServices {
    MessagePresenter& messages;
    FileSystem& files;
};

// A capture rule's complaint as a message box: its caption and text, OK only,
// no icon. Does nothing for a valid verdict.
void ShowVerdict(MessagePresenter& messages, const Verdict& verdict);

}  // namespace petitora
