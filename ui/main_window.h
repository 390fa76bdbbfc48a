// The main window: the picture, the "&Tipo de Usuario" menu with the seven
// registrant kinds, the "&Verificar" menu that reads back a request and its
// key file, and the "Ay&uda" menu. Closing it ends the program.
#pragma once

#include <QMainWindow>
#include <memory>
#include <optional>

#include "capture/user_type.h"
#include "ui/message_presenter.h"
#include "ui/program_texts.h"

namespace Ui {
class MainWindow;
}

namespace petitora {

class MainWindow final : public QMainWindow {
    Q_OBJECT
  public:
    explicit MainWindow(DialogServices services);
    ~MainWindow() override;

    // Opens a capture for kind and returns when it has closed, by any path.
    void OpenCapture(UserType kind);
    // Asks for a request file, then for its key file and password, and shows
    // what the checks found. No file is changed.
    void OpenVerification();
    // Asks for a certificate, then for its key file (and, optionally, its
    // request and its issuer's certificate) and the password, and shows what
    // the checks found, with the offer to save the key and certificate as a
    // .pfx.
    void OpenCertificateVerification();
    void OpenAbout();

  protected:
    // Escape and Enter close the window, as its OK and Cancel commands do.
    void keyPressEvent(QKeyEvent* event) override;

  private:
    // After a menu command: the keyboard focus back on the window's body, so
    // that Escape and Enter reach the window again.
    void ReturnFocus();
    std::optional<QString> ChooseFile(UiText title, UiText filter);

    std::unique_ptr<Ui::MainWindow> ui_;
    DialogServices services_;
};

}  // namespace petitora
