// Asks for the new password of a .pfx twice, under the key options'
// password rules; "&Guardar" closes with OK only when both boxes pass them.
#pragma once

#include <QDialog>
#include <memory>

#include "generation/message_presenter.h"
#include "generation/secure_bytes.h"

namespace Ui {
class PfxPasswordDialog;
}

namespace petitora {

class PfxPasswordDialog final : public QDialog {
    Q_OBJECT
  public:
    PfxPasswordDialog(QWidget* owner, MessagePresenter& messages);
    ~PfxPasswordDialog() override;

    // The password accepted (Windows-1252 bytes); empty before.
    std::string_view Password() const { return password_.View(); }

  private:
    void OnSave();

    std::unique_ptr<Ui::PfxPasswordDialog> ui_;
    MessagePresenter& messages_;
    SecretText password_;
};

}  // namespace petitora
