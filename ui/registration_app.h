// The program: Qt's Spanish texts, the icon, the main window, and the end
// of the program when the main window closes.
#pragma once

#include "generation/file_system.h"
#include "ui/message_presenter.h"

class QApplication;

namespace petitora {

// Everything the program sets up before its first window: resources, names,
// style, icon, Qt's Spanish translation.
void PrepareApplication(QApplication& app);

class RegistrationApp {
  public:
    explicit RegistrationApp(QApplication& app);

    // Shows the main window and returns the exit status once it has closed.
    // Nothing is saved.
    int Run();

  private:
    QApplication& app_;
    QtMessagePresenter messages_;
    SystemFileSystem files_;
};

}  // namespace petitora
