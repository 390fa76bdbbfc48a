// The key-options dialog: key size, access password and its confirmation,
// destination of the two files, "&Aceptar" (which checks, asks and runs the
// generation) and "&Regresar".
#pragma once

#include <QDialog>
#include <memory>

#include "generation/key_options.h"
#include "ui/generation_host.h"
#include "ui/message_presenter.h"

namespace Ui {
class KeyOptionsDialog;
}

namespace petitora {

class KeyOptionsDialog final : public QDialog {
    Q_OBJECT
  public:
    // capture is the capture dialog's storage; it outlives this dialog.
    KeyOptionsDialog(QWidget* owner, CaptureStorage& capture, DialogServices services);
    ~KeyOptionsDialog() override;

    // Makes "ESPERE UN MOMENTO ..." visible and paints it at once.
    void ShowWaitNotice();

  private:
    void OnAccept();
    void BrowseForRequestFile();
    void OnFocusChanged(QWidget* old, QWidget* now);
    // Copies the boxes into the job (the passwords as Windows-1252 bytes).
    void ReadFields();
    // Puts the job's fields back into the boxes (passwords stay as typed).
    void WriteFields();
    void FocusOn(KeyOptionsFocus focus);

    std::unique_ptr<Ui::KeyOptionsDialog> ui_;
    DialogServices services_;
    SecureBytes poolStorage_;
    GenerationJob job_;
    QtGenerationHost host_;
    bool busy_ = false;
};

}  // namespace petitora
