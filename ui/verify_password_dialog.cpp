#include "ui/verify_password_dialog.h"

#include <QApplication>
#include <QFileInfo>

#include "generation/file_names.h"
#include "generation/secure_bytes.h"
#include "ui/app_resources.h"
#include "ui/file_chooser.h"
#include "ui/secret_box.h"
#include "ui/text_boundary.h"
#include "ui_verify_password_dialog.h"

namespace petitora {
namespace {

// The key file the generation writes beside the request: same folder, same
// base name, ".key".
QString ProposedKeyPath(const QString& requestPath) {
    const QFileInfo request(requestPath);
    const QString keyName = FromFileName(KeyFileName(ToFileName(request.fileName())));
    return request.dir().filePath(keyName);
}

}  // namespace

VerifyPasswordDialog::VerifyPasswordDialog(QWidget* owner, const QString& requestPath)
    : QDialog(owner), ui_(std::make_unique<Ui::VerifyPasswordDialog>()) {
    ui_->setupUi(this);
    ui_->keyIcon->setPixmap(KeyPictogram());
    ui_->requestPath->setText(requestPath);
    ui_->requestPath->setToolTip(requestPath);
    ui_->keyPath->setText(ProposedKeyPath(requestPath));
    ui_->password->setValidator(new Cp1252Validator(kMaxKeyOptionText, ui_->password));
    PrepareSecretBox(ui_->password, kMaxKeyOptionText);
    ui_->password->setFocus();

    connect(ui_->verifyButton, &QPushButton::clicked, this, &VerifyPasswordDialog::OnVerify);
    connect(ui_->cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui_->browseKeyButton, &QPushButton::clicked, this,
            &VerifyPasswordDialog::BrowseForKeyFile);
    connect(ui_->keyPath, &QLineEdit::textChanged, this, &VerifyPasswordDialog::OnKeyPathChanged);
}

VerifyPasswordDialog::~VerifyPasswordDialog() {
    WipeSecretBox(ui_->password);
}

QString VerifyPasswordDialog::RequestPath() const {
    return ui_->requestPath->text();
}

std::optional<QString> VerifyPasswordDialog::KeyPath() const {
    const QString path = ui_->keyPath->text();
    if (path.isEmpty()) return std::nullopt;
    return path;
}

void VerifyPasswordDialog::OnKeyPathChanged() {
    // Without a key file there is nothing for a password to open.
    const bool withKey = KeyPath().has_value();
    ui_->password->setEnabled(withKey);
    ui_->passwordLabel->setEnabled(withKey);
}

void VerifyPasswordDialog::OnVerify() {
    SecretText password;  // wiped when it goes
    ReadSecret(ui_->password->text(), password);
    WipeSecretBox(ui_->password);
    std::optional<std::string> keyPath;
    if (const std::optional<QString> key = KeyPath()) keyPath = ToFileName(*key);

    // Two files of at most 64 KiB each: quick enough for this thread.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    report_ = VerifyFilesAt(ToFileName(RequestPath()), keyPath, password.View());
    QApplication::restoreOverrideCursor();
    accept();
}

void VerifyPasswordDialog::BrowseForKeyFile() {
    const QFileInfo current(KeyPath().value_or(RequestPath()));
    QFileDialog chooser(this, FromCp1252(Text(UiText::KeyToVerifyTitle)));
    chooser.setAcceptMode(QFileDialog::AcceptOpen);
    chooser.setFileMode(QFileDialog::ExistingFile);
    PrepareFileChooser(chooser, current.absolutePath(), UiText::KeyFilter, UiText::ChooserOpen);
    if (KeyPath()) chooser.selectFile(current.fileName());
    if (chooser.exec() == QDialog::Accepted && !chooser.selectedFiles().isEmpty()) {
        ui_->keyPath->setText(chooser.selectedFiles().constFirst());
    }
}

}  // namespace petitora
