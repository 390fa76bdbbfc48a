// The outcome of a verification: a summary, the files read, one row per
// check (its mark as a pictogram and as a word, then its text), and what the
// request holds, for the registrant to check by eye. It only shows; "&Aceptar"
// closes it. For a certificate it shows the certificate's files and
// contents, and, when the certificate is the key's, "&Guardar como .pfx...",
// which asks where and under which new password and writes the .pfx.
#pragma once

#include <QDialog>
#include <QString>
#include <memory>
#include <optional>

#include "ui/program_texts.h"

#include "ui/message_presenter.h"
#include "verification/certificate.h"
#include "verification/verification.h"

namespace Ui {
class VerificationResultDialog;
}

namespace petitora {

class VerificationResultDialog final : public QDialog {
    Q_OBJECT
  public:
    // keyPath: nothing when only the request was checked.
    VerificationResultDialog(QWidget* owner, const VerificationReport& report,
                             const QString& requestPath, const std::optional<QString>& keyPath);
    // The certificate's check. request, issuer: nothing when not given.
    struct CertificateFiles {
        QString certificate, key;
        std::optional<QString> request, issuer;
    };
    VerificationResultDialog(QWidget* owner, const VerificationReport& report,
                             const CertificateFiles& files, std::shared_ptr<const PfxMaterial> pfx,
                             DialogServices services);
    ~VerificationResultDialog() override;

  private:
    void ShowReport(const VerificationReport& report, UiText allPassed);
    void SavePfx();

    void AddCheckRow(int row, const CheckLine& check);
    void AddContentRow(int row, const ContentLine& content);

    std::unique_ptr<Ui::VerificationResultDialog> ui_;
    std::shared_ptr<const PfxMaterial> pfx_;
    std::optional<DialogServices> services_;
    QString certificatePath_;
};

}  // namespace petitora
