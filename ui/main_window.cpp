#include "ui/main_window.h"

#include <QAction>
#include <QKeyEvent>
#include <QMenuBar>
#include <QStatusBar>

#include "ui/about_dialog.h"
#include "ui/app_resources.h"
#include "ui/capture_dialog.h"
#include "ui/file_chooser.h"
#include "ui/text_boundary.h"
#include "ui/verification_result_dialog.h"
#include "ui/verify_password_dialog.h"
#include "ui_main_window.h"

namespace petitora {

MainWindow::MainWindow(DialogServices services)
    : ui_(std::make_unique<Ui::MainWindow>()), services_(services) {
    ui_->setupUi(this);
    setWindowIcon(ApplicationIcon());
    ui_->picture->setPixmap(MainPicture());

    ui_->kindMenu->setTitle(FromCp1252(UserTypeMenuTitle()));
    for (int code = 0; code < kUserTypeCount; ++code) {
        const auto kind = static_cast<UserType>(code);
        QAction* action = ui_->kindMenu->addAction(FromCp1252(MenuEntry(kind)));
        action->setObjectName(QStringLiteral("kindAction%1").arg(code));
        action->setStatusTip(FromCp1252(MenuPrompt(kind)));
        connect(action, &QAction::triggered, this, [this, kind] { OpenCapture(kind); });
    }
    connect(ui_->verifyFilesAction, &QAction::triggered, this, &MainWindow::OpenVerification);
    connect(ui_->verifyCertificateAction, &QAction::triggered, this,
            &MainWindow::OpenCertificateVerification);
    connect(ui_->aboutAction, &QAction::triggered, this, &MainWindow::OpenAbout);
    // Every menu command ends with the focus on the body; the command's own
    // slot has run by then (it was connected first).
    connect(ui_->menuBar, &QMenuBar::triggered, this, &MainWindow::ReturnFocus);
    ui_->centralArea->setFocusPolicy(Qt::StrongFocus);
    statusBar()->setSizeGripEnabled(false);
    setFixedSize(sizeHint());
}

MainWindow::~MainWindow() = default;

void MainWindow::OpenCapture(UserType kind) {
    CaptureDialog capture(this, kind, services_);
    capture.exec();
}

// An open chooser for one existing file, starting in the current directory;
// nothing when it is cancelled.
std::optional<QString> MainWindow::ChooseFile(UiText title, UiText filter) {
    QFileDialog chooser(this, FromCp1252(Text(title)));
    chooser.setAcceptMode(QFileDialog::AcceptOpen);
    chooser.setFileMode(QFileDialog::ExistingFile);
    PrepareFileChooser(chooser, QDir::currentPath(), filter, UiText::ChooserOpen);
    if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty()) return std::nullopt;
    return chooser.selectedFiles().constFirst();
}

void MainWindow::OpenVerification() {
    const std::optional<QString> request = ChooseFile(UiText::RequestToVerifyTitle, UiText::RequestFilter);
    if (!request) return;
    VerifyPasswordDialog ask(this, *request);
    if (ask.exec() != QDialog::Accepted) return;
    VerificationResultDialog result(this, ask.Report(), ask.RequestPath(), ask.KeyPath());
    result.exec();
}

void MainWindow::OpenCertificateVerification() {
    const std::optional<QString> certificate =
        ChooseFile(UiText::CertificateToVerifyTitle, UiText::CertificateFilter);
    if (!certificate) return;
    VerifyPasswordDialog ask(this, VerifyPasswordDialog::ForCertificate{*certificate});
    if (ask.exec() != QDialog::Accepted) return;
    const VerificationResultDialog::CertificateFiles files{
        ask.CertificatePath(), ask.KeyPath().value_or(QString()), ask.OptionalRequestPath(),
        ask.IssuerPath()};
    VerificationResultDialog result(this, ask.Report(), files, ask.Pfx(), services_);
    result.exec();
}

void MainWindow::ReturnFocus() {
    ui_->centralArea->setFocus(Qt::OtherFocusReason);
}

void MainWindow::OpenAbout() {
    AboutDialog about(this);
    about.exec();
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Escape:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            close();
            return;
        default:
            QMainWindow::keyPressEvent(event);
    }
}

}  // namespace petitora
