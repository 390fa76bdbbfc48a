// The outcome of a verification: a summary, the files read, one row per
// check (its mark as a pictogram and as a word, then its text), and what the
// request holds, for the registrant to check by eye. It only shows; "&Aceptar"
// closes it.
#pragma once

#include <QDialog>
#include <QString>
#include <memory>
#include <optional>

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
    ~VerificationResultDialog() override;

  private:
    void AddCheckRow(int row, const CheckLine& check);
    void AddContentRow(int row, const ContentLine& content);

    std::unique_ptr<Ui::VerificationResultDialog> ui_;
};

}  // namespace petitora
