#include "ui/verify_password_dialog.h"

#include <QApplication>
#include <QFileInfo>

#include <ctime>

#include "generation/file_names.h"
#include "generation/secure_bytes.h"
#include "ui/app_resources.h"
#include "ui/file_chooser.h"
#include "ui/secret_box.h"
#include "ui/text_boundary.h"
#include "ui_verify_password_dialog.h"

namespace petitora {
namespace {

// The file of the same base name as path in its folder with suffix
// (".key" for a request, as the generation writes it).
QString BesideWithSuffix(const QString& path, const char* suffix) {
    const QFileInfo file(path);
    return file.dir().filePath(file.completeBaseName() + QLatin1String(suffix));
}

QString ProposedKeyPath(const QString& requestPath) {
    const QFileInfo request(requestPath);
    const QString keyName = FromFileName(KeyFileName(ToFileName(request.fileName())));
    return request.dir().filePath(keyName);
}

// The path a box holds, nothing when it is empty.
std::optional<QString> PathIn(const QLineEdit* box) {
    if (box->text().isEmpty()) return std::nullopt;
    return box->text();
}

std::optional<std::string> FileNameOf(const std::optional<QString>& path) {
    if (!path) return std::nullopt;
    return ToFileName(*path);
}

}  // namespace

VerifyPasswordDialog::VerifyPasswordDialog(QWidget* owner, const QString& requestPath)
    : QDialog(owner), ui_(std::make_unique<Ui::VerifyPasswordDialog>()) {
    ui_->setupUi(this);
    ui_->keyIcon->setPixmap(KeyPictogram());
    ui_->requestPath->setText(requestPath);
    ui_->requestPath->setToolTip(requestPath);
    ui_->keyPath->setText(ProposedKeyPath(requestPath));
    for (QWidget* w : std::initializer_list<QWidget*>{
             ui_->certificatePathLabel, ui_->certificatePath, ui_->browseRequestButton,
             ui_->issuerPathLabel, ui_->issuerPath, ui_->browseIssuerButton}) {
        w->hide();
    }
    Connect();
}

VerifyPasswordDialog::VerifyPasswordDialog(QWidget* owner, const ForCertificate& certificate)
    : QDialog(owner), ui_(std::make_unique<Ui::VerifyPasswordDialog>()), forCertificate_(true) {
    ui_->setupUi(this);
    ui_->keyIcon->setPixmap(KeyPictogram());
    setWindowTitle(FromCp1252(Text(UiText::CertificateVerifyTitle)));
    ui_->notice->setText(FromCp1252(Text(UiText::CertificateNotice)));
    ui_->keyPathNote->hide();
    ui_->certificatePath->setText(certificate.certificatePath);
    ui_->certificatePath->setToolTip(certificate.certificatePath);
    ui_->keyPath->setText(BesideWithSuffix(certificate.certificatePath, ".key"));
    const QString request = BesideWithSuffix(certificate.certificatePath, ".req");
    ui_->requestPath->setReadOnly(false);
    ui_->requestPath->setPlaceholderText(FromCp1252(Text(UiText::CertificateNoRequest)));
    if (QFileInfo::exists(request)) ui_->requestPath->setText(request);
    ui_->issuerPath->setPlaceholderText(FromCp1252(Text(UiText::CertificateNoIssuer)));
    connect(ui_->browseRequestButton, &QPushButton::clicked, this,
            &VerifyPasswordDialog::BrowseForRequestFile);
    connect(ui_->browseIssuerButton, &QPushButton::clicked, this,
            &VerifyPasswordDialog::BrowseForIssuerFile);
    Connect();
}

void VerifyPasswordDialog::Connect() {
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
    return PathIn(ui_->keyPath);
}

QString VerifyPasswordDialog::CertificatePath() const {
    return ui_->certificatePath->text();
}

std::optional<QString> VerifyPasswordDialog::IssuerPath() const {
    return PathIn(ui_->issuerPath);
}

std::optional<QString> VerifyPasswordDialog::OptionalRequestPath() const {
    return PathIn(ui_->requestPath);
}

void VerifyPasswordDialog::OnKeyPathChanged() {
    // Without a key file there is nothing for a password to open (and no
    // certificate check).
    const bool withKey = KeyPath().has_value();
    ui_->password->setEnabled(withKey);
    ui_->passwordLabel->setEnabled(withKey);
    if (forCertificate_) ui_->verifyButton->setEnabled(withKey);
}

void VerifyPasswordDialog::OnVerify() {
    SecretText password;  // wiped when it goes
    ReadSecret(ui_->password->text(), password);
    WipeSecretBox(ui_->password);
    std::optional<std::string> keyPath;
    if (const std::optional<QString> key = KeyPath()) keyPath = ToFileName(*key);

    // Up to four files of at most 64 KiB each: quick enough for this thread.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    if (forCertificate_ && keyPath) {
        const CertificatePaths paths{ToFileName(CertificatePath()), *keyPath,
                                     FileNameOf(OptionalRequestPath()), FileNameOf(IssuerPath())};
        CertificateReport result =
            VerifyCertificateAt(paths, password.View(), static_cast<std::int64_t>(std::time(nullptr)));
        report_ = std::move(result.report);
        pfx_ = std::move(result.pfx);
    } else {
        report_ = VerifyFilesAt(ToFileName(RequestPath()), keyPath, password.View());
    }
    QApplication::restoreOverrideCursor();
    accept();
}

void VerifyPasswordDialog::BrowseForKeyFile() {
    Browse(ui_->keyPath, UiText::KeyToVerifyTitle, UiText::KeyFilter);
}

void VerifyPasswordDialog::BrowseForRequestFile() {
    Browse(ui_->requestPath, UiText::RequestToVerifyTitle, UiText::RequestFilter);
}

void VerifyPasswordDialog::BrowseForIssuerFile() {
    Browse(ui_->issuerPath, UiText::IssuerToVerifyTitle, UiText::CertificateFilter);
}

// An open chooser that starts at box's file (else beside the request or the
// certificate) and puts the chosen file into box.
void VerifyPasswordDialog::Browse(QLineEdit* box, UiText title, UiText filter) {
    const QString near = forCertificate_ ? CertificatePath() : RequestPath();
    const QFileInfo current(box->text().isEmpty() ? near : box->text());
    QFileDialog chooser(this, FromCp1252(Text(title)));
    chooser.setAcceptMode(QFileDialog::AcceptOpen);
    chooser.setFileMode(QFileDialog::ExistingFile);
    PrepareFileChooser(chooser, current.absolutePath(), filter, UiText::ChooserOpen);
    if (!box->text().isEmpty()) chooser.selectFile(current.fileName());
    if (chooser.exec() == QDialog::Accepted && !chooser.selectedFiles().isEmpty()) {
        box->setText(chooser.selectedFiles().constFirst());
    }
}

}  // namespace petitora
