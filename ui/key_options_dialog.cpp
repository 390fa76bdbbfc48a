#include "ui/key_options_dialog.h"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <algorithm>

#include "crypto/common.h"
#include "ui/app_resources.h"
#include "ui/file_chooser.h"
#include "ui/program_texts.h"
#include "ui/secret_box.h"
#include "ui/text_boundary.h"
#include "ui_key_options_dialog.h"

namespace petitora {

KeyOptionsDialog::KeyOptionsDialog(QWidget* owner, CaptureStorage& capture, DialogServices services)
    : QDialog(owner),
      ui_(std::make_unique<Ui::KeyOptionsDialog>()),
      services_(services),
      poolStorage_(sizeof(cerrojo::RandomPool)),
      host_(*this) {
    ui_->setupUi(this);
    ui_->noticeIcon->setPixmap(ApplicationIcon().pixmap(48, 48));
    ui_->keyIcon->setPixmap(KeyPictogram());
    ui_->password->setValidator(new Cp1252Validator(kMaxKeyOptionText, ui_->password));
    ui_->passwordConfirmation->setValidator(
        new Cp1252Validator(kMaxKeyOptionText, ui_->passwordConfirmation));
    ui_->pathText->setMaxLength(kMaxKeyOptionText);
    PrepareSecretBox(ui_->password, kMaxKeyOptionText);
    PrepareSecretBox(ui_->passwordConfirmation, kMaxKeyOptionText);
    // The notice keeps its place while hidden, so showing it moves nothing.
    QSizePolicy keepPlace = ui_->waitNotice->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    ui_->waitNotice->setSizePolicy(keepPlace);
    ui_->waitNotice->hide();

    connect(ui_->returnButton, &QPushButton::clicked, this, &QDialog::reject);
    if (poolStorage_.data() == nullptr) {
        // Without a pool nothing can be generated: the dialog only returns.
        services_.messages.Show(MemoryErrorMessage());
        ui_->acceptButton->setEnabled(false);
        return;
    }
    InitGenerationJob(job_, capture, reinterpret_cast<cerrojo::RandomPool*>(poolStorage_.data()));
    WriteFields();
    ui_->password->setFocus();

    connect(ui_->acceptButton, &QPushButton::clicked, this, &KeyOptionsDialog::OnAccept);
    connect(ui_->keySizeHelp, &QPushButton::clicked, this,
            [this] { ShowKeySizeHelp(services_.messages); });
    connect(ui_->browseButton, &QPushButton::clicked, this,
            &KeyOptionsDialog::BrowseForRequestFile);
    connect(qApp, &QApplication::focusChanged, this, &KeyOptionsDialog::OnFocusChanged);
}

KeyOptionsDialog::~KeyOptionsDialog() {
    disconnect(qApp, nullptr, this, nullptr);
    WipeSecretBox(ui_->password);
    WipeSecretBox(ui_->passwordConfirmation);
    // poolStorage_ wipes the pool as it is released; job_ wipes the passwords.
}

void KeyOptionsDialog::ShowWaitNotice() {
    ui_->waitNotice->show();
    ui_->waitNotice->repaint();
}

void KeyOptionsDialog::ReadFields() {
    job_.keySizeIndex = ui_->keySize->currentIndex();
    ReadSecret(ui_->password->text(), job_.password);
    ReadSecret(ui_->passwordConfirmation->text(), job_.passwordConfirmation);
    job_.pathText = ToFileName(ui_->pathText->text());
}

void KeyOptionsDialog::WriteFields() {
    ui_->keySize->setCurrentIndex(job_.keySizeIndex);
    const QString path = FromFileName(job_.pathText);
    // The limit is for typing: a longer path chosen in the save-as chooser
    // is shown whole, or the box would cut it to another name.
    ui_->pathText->setMaxLength(
        std::max(static_cast<int>(kMaxKeyOptionText), static_cast<int>(path.size())));
    if (ui_->pathText->text() != path) ui_->pathText->setText(path);
}

void KeyOptionsDialog::FocusOn(KeyOptionsFocus focus) {
    switch (focus) {
        case KeyOptionsFocus::Password:
            ui_->password->setFocus(Qt::OtherFocusReason);
            break;
        case KeyOptionsFocus::Confirmation:
            ui_->passwordConfirmation->setFocus(Qt::OtherFocusReason);
            break;
        case KeyOptionsFocus::Destination:
            ui_->pathText->setFocus(Qt::OtherFocusReason);
            break;
        case KeyOptionsFocus::None:
            break;
    }
}

void KeyOptionsDialog::OnAccept() {
    const bool wasBusy = busy_;
    busy_ = true;
    ReadFields();
    GenerationServices services{services_.messages, host_, services_.files};
    const KeyOptionsOutcome outcome = petitora::OnAccept(job_, services);
    FocusOn(outcome.focus);
    busy_ = wasBusy;
    if (outcome.closeWithOk) accept();
}

void KeyOptionsDialog::OnFocusChanged(QWidget* old, QWidget* now) {
    // Leaving the destination box for another control of this dialog checks
    // the folder at once.
    if (busy_ || old != ui_->pathText || now == nullptr || now->window() != this) return;
    busy_ = true;
    ReadFields();
    CheckOutputFolder(job_, services_.messages, services_.files);
    busy_ = false;
}

void KeyOptionsDialog::BrowseForRequestFile() {
    ReadFields();
    QFileDialog chooser(this);
    chooser.setAcceptMode(QFileDialog::AcceptSave);
    chooser.setFileMode(QFileDialog::AnyFile);
    // It opens in the destination's folder when that is one, else in the
    // working directory, and asks before replacing a file.
    const Destination destination = ResolveDestination(job_.pathText, job_.workingDirectory);
    const std::string& start = services_.files.CanEnterFolder(destination.folder)
                                   ? destination.folder
                                   : job_.workingDirectory;
    PrepareFileChooser(chooser, FromFileName(start), UiText::RequestFilter, UiText::ChooserSave);
    chooser.setDefaultSuffix(FromCp1252(Text(UiText::RequestSuffix)));
    chooser.selectFile(FromFileName(job_.outputName));
    if (chooser.exec() == QDialog::Accepted && !chooser.selectedFiles().isEmpty()) {
        const QString chosen = chooser.selectedFiles().constFirst();
        job_.pathText = ToFileName(chosen);
        // The chooser has asked before letting an existing file be chosen.
        job_.replaceAgreedPath = QFileInfo::exists(chosen) ? job_.pathText : std::string();
    }
    WriteFields();
}

}  // namespace petitora
