// The generation layer never opens a window: it shows every message box
// through a MessagePresenter, which the Qt dialogs implement and the tests and
// the command-line replay answer from scripts. Nothing here is Qt.
#pragma once

#include <string>

namespace petitora {

enum class MessageButtons { Ok, YesNo };
enum class MessageIcon { None, Question, Information };
enum class MessageAnswer { Ok, Yes, No };

// What a box is about, so that a scripted presenter (tests, the command-line
// replay) can tell the two questions of a run apart. Windows ignore it.
enum class MessageTopic {
    General,            // every OK box
    ReplaceFiles,       // may existing output files be replaced?
    ConfirmGeneration,  // the notice followed by the confirmation question
};

// One modal message box. caption and text are Windows-1252 bytes, shown as
// they are (line feeds break lines).
struct MessageRequest {
    std::string caption;
    std::string text;
    MessageButtons buttons = MessageButtons::Ok;
    MessageIcon icon = MessageIcon::None;
    MessageTopic topic = MessageTopic::General;
};

// Shows message boxes. Show returns once the user has answered: Ok for an
// OK-only box; Yes or No for a Yes/No box (a Yes/No box closed any other way
// answers No).
class MessagePresenter {
  public:
    virtual ~MessagePresenter() = default;
    virtual MessageAnswer Show(const MessageRequest& request) = 0;
};

}  // namespace petitora
