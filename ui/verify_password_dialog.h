// Asks what to verify besides the chosen request: the key file (the one of
// the request's base name proposed, another chosen, or none) and its access
// password; "&Verificar" then reads and checks the files and closes with OK.
// For a chosen certificate it asks the same, with the request (the one of
// the certificate's base name proposed when it is there) and the issuer's
// certificate as optional files.
#pragma once

#include <QDialog>
#include <QString>
#include <memory>
#include <optional>

#include "verification/certificate.h"
#include "verification/verification.h"

#include "ui/program_texts.h"

class QLineEdit;

namespace Ui {
class VerifyPasswordDialog;
}

namespace petitora {

class VerifyPasswordDialog final : public QDialog {
    Q_OBJECT
  public:
    VerifyPasswordDialog(QWidget* owner, const QString& requestPath);
    // The certificate's check (the key file's box may not be left empty).
    struct ForCertificate {
        QString certificatePath;
    };
    VerifyPasswordDialog(QWidget* owner, const ForCertificate& certificate);
    ~VerifyPasswordDialog() override;

    QString RequestPath() const;
    // The key file to check, nothing when its box is empty.
    std::optional<QString> KeyPath() const;
    // What the files gave once "&Verificar" was pressed (empty before).
    const VerificationReport& Report() const { return report_; }
    // The certificate's check: the files and what they gave.
    QString CertificatePath() const;
    std::optional<QString> OptionalRequestPath() const;
    std::optional<QString> IssuerPath() const;
    const std::shared_ptr<const PfxMaterial>& Pfx() const { return pfx_; }

  private:
    void OnVerify();
    void BrowseForKeyFile();
    void BrowseForRequestFile();
    void BrowseForIssuerFile();
    void OnKeyPathChanged();
    void Browse(QLineEdit* box, UiText title, UiText filter);
    void Connect();

    std::unique_ptr<Ui::VerifyPasswordDialog> ui_;
    bool forCertificate_ = false;
    VerificationReport report_;
    std::shared_ptr<const PfxMaterial> pfx_;
};

}  // namespace petitora
