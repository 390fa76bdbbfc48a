#include "ui/pfx_password_dialog.h"

#include "generation/key_options.h"
#include "generation/texts.h"
#include "ui/app_resources.h"
#include "ui/secret_box.h"
#include "ui/text_boundary.h"
#include "ui_pfx_password_dialog.h"

namespace petitora {

PfxPasswordDialog::PfxPasswordDialog(QWidget* owner, MessagePresenter& messages)
    : QDialog(owner), ui_(std::make_unique<Ui::PfxPasswordDialog>()), messages_(messages) {
    ui_->setupUi(this);
    setWindowIcon(ApplicationIcon());
    for (QLineEdit* box : {ui_->password, ui_->confirmation}) {
        box->setValidator(new Cp1252Validator(kMaxKeyOptionText, box));
        PrepareSecretBox(box, kMaxKeyOptionText);
    }
    ui_->password->setFocus();
    connect(ui_->saveButton, &QPushButton::clicked, this, &PfxPasswordDialog::OnSave);
    connect(ui_->cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

PfxPasswordDialog::~PfxPasswordDialog() {
    WipeSecretBox(ui_->password);
    WipeSecretBox(ui_->confirmation);
}

void PfxPasswordDialog::OnSave() {
    SecretText confirmation;
    ReadSecret(ui_->password->text(), password_);
    ReadSecret(ui_->confirmation->text(), confirmation);
    const std::optional<PasswordFailure> broken =
        BrokenPasswordRule(password_.View(), confirmation.View());
    if (!broken) {
        WipeSecretBox(ui_->password);
        WipeSecretBox(ui_->confirmation);
        accept();
        return;
    }
    password_.Clear();
    messages_.Show({Text(GenerationText::CaptionError), Text(broken->message)});
    (broken->focus == KeyOptionsFocus::Confirmation ? ui_->confirmation : ui_->password)->setFocus();
}

}  // namespace petitora
