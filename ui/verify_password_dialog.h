// Asks what to verify besides the chosen request: the key file (the one of
// the request's base name proposed, another chosen, or none) and its access
// password; "&Verificar" then reads and checks the files and closes with OK.
#pragma once

#include <QDialog>
#include <QString>
#include <memory>
#include <optional>

#include "verification/verification.h"

namespace Ui {
class VerifyPasswordDialog;
}

namespace petitora {

class VerifyPasswordDialog final : public QDialog {
    Q_OBJECT
  public:
    VerifyPasswordDialog(QWidget* owner, const QString& requestPath);
    ~VerifyPasswordDialog() override;

    QString RequestPath() const;
    // The key file to check, nothing when its box is empty.
    std::optional<QString> KeyPath() const;
    // What the files gave once "&Verificar" was pressed (empty before).
    const VerificationReport& Report() const { return report_; }

  private:
    void OnVerify();
    void BrowseForKeyFile();
    void OnKeyPathChanged();

    std::unique_ptr<Ui::VerifyPasswordDialog> ui_;
    VerificationReport report_;
};

}  // namespace petitora
