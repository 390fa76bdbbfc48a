#include "ui/verification_result_dialog.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>

#include "crypto/common.h"
#include "generation/entropy.h"
#include "generation/texts.h"

#include "ui/app_resources.h"
#include "ui/file_chooser.h"
#include "ui/pfx_password_dialog.h"
#include "ui/program_texts.h"
#include "ui/text_boundary.h"
#include "ui_verification_result_dialog.h"

namespace petitora {
namespace {

constexpr int kMarkSize = 24;
constexpr int kSummaryMarkSize = 48;

// A label for text that comes from the files: shown as it is, never as markup.
QLabel* PlainLabel(const QString& text, const QString& objectName, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(objectName);
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    return label;
}

}  // namespace

VerificationResultDialog::VerificationResultDialog(QWidget* owner, const VerificationReport& report,
                                                   const QString& requestPath,
                                                   const std::optional<QString>& keyPath)
    : QDialog(owner), ui_(std::make_unique<Ui::VerificationResultDialog>()) {
    ui_->setupUi(this);
    for (QWidget* w : std::initializer_list<QWidget*>{ui_->certificatePathLabel, ui_->certificatePath,
                                                       ui_->issuerPathLabel, ui_->issuerPath,
                                                       ui_->savePfxButton}) {
        w->hide();
    }
    // Read-only boxes that read as text; a long path shows its file name
    // and, as a tip, the whole of it.
    ui_->requestPath->setText(requestPath);
    ui_->requestPath->setToolTip(requestPath);
    ui_->keyPath->setText(keyPath.value_or(FromCp1252(Text(UiText::VerifyNoKeyFile))));
    if (keyPath) ui_->keyPath->setToolTip(*keyPath);
    ShowReport(report, keyPath ? UiText::VerifyAllPassed : UiText::VerifyRequestPassed);
}

VerificationResultDialog::VerificationResultDialog(QWidget* owner, const VerificationReport& report,
                                                   const CertificateFiles& files,
                                                   std::shared_ptr<const PfxMaterial> pfx,
                                                   DialogServices services)
    : QDialog(owner),
      ui_(std::make_unique<Ui::VerificationResultDialog>()),
      pfx_(std::move(pfx)),
      services_(services),
      certificatePath_(files.certificate) {
    ui_->setupUi(this);
    setWindowTitle(FromCp1252(Text(UiText::CertificateVerifyTitle)));
    ui_->contentsGroup->setTitle(FromCp1252(Text(UiText::CertificateContents)));
    const auto show = [](QLineEdit* box, const std::optional<QString>& path, UiText absent) {
        box->setText(path.value_or(FromCp1252(Text(absent))));
        if (path) box->setToolTip(*path);
    };
    show(ui_->certificatePath, files.certificate, UiText::CertificateNoRequest);
    show(ui_->keyPath, files.key, UiText::VerifyNoKeyFile);
    show(ui_->requestPath, files.request, UiText::CertificateNoRequest);
    show(ui_->issuerPath, files.issuer, UiText::CertificateNoIssuer);
    ui_->savePfxButton->setVisible(pfx_ != nullptr);
    connect(ui_->savePfxButton, &QPushButton::clicked, this, &VerificationResultDialog::SavePfx);
    ShowReport(report, UiText::CertificateAllPassed);
}

void VerificationResultDialog::ShowReport(const VerificationReport& report, UiText allPassed) {
    setWindowIcon(ApplicationIcon());
    const bool passed = report.AllPassed();
    ui_->summaryIcon->setPixmap(CheckMarkIcon(passed ? CheckState::Passed : CheckState::Failed)
                                    .pixmap(kSummaryMarkSize, kSummaryMarkSize));
    ui_->summaryIcon->setAccessibleName(
        FromCp1252(MarkText(passed ? CheckState::Passed : CheckState::Failed)));
    ui_->summary->setText(FromCp1252(Text(passed ? allPassed : UiText::VerifySomeFailed)));
    QFont bold = ui_->summary->font();
    bold.setBold(true);
    ui_->summary->setFont(bold);

    for (int row = 0; row < static_cast<int>(report.checks.size()); ++row) {
        AddCheckRow(row, report.checks[static_cast<std::size_t>(row)]);
    }
    ui_->checksLayout->setColumnStretch(2, 1);
    for (int row = 0; row < static_cast<int>(report.contents.size()); ++row) {
        AddContentRow(row, report.contents[static_cast<std::size_t>(row)]);
    }
    ui_->contentsGroup->setVisible(!report.contents.empty());
    ui_->acceptButton->setFocus();
}

// Where (the chooser asks before an existing file is chosen), then the new
// password twice, then the file written in one step; the outcome in a box.
void VerificationResultDialog::SavePfx() {
    if (!pfx_ || !services_) return;
    const QFileInfo certificate(certificatePath_);
    QFileDialog chooser(this, FromCp1252(Text(UiText::PfxSaveTitle)));
    chooser.setAcceptMode(QFileDialog::AcceptSave);
    chooser.setFileMode(QFileDialog::AnyFile);
    PrepareFileChooser(chooser, certificate.absolutePath(), UiText::PfxFilter, UiText::ChooserSave);
    chooser.setDefaultSuffix(FromCp1252(Text(UiText::PfxSuffix)));
    chooser.selectFile(certificate.completeBaseName() + QStringLiteral(".pfx"));
    if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty()) return;
    const QString path = chooser.selectedFiles().constFirst();

    PfxPasswordDialog ask(this, services_->messages);
    if (ask.exec() != QDialog::Accepted) return;

    cerrojo::RandomPool pool;
    cerrojo::RandomInit(&pool);
    pool.needed = kSystemSeedBytes;
    UiText failure = UiText::PfxNoEntropy;
    if (FeedSystemEntropy(&pool)) {
        failure = UiText::PfxNotWritten;
        QApplication::setOverrideCursor(Qt::WaitCursor);
        // The chooser has asked before letting an existing file be chosen.
        const PfxResult result =
            petitora::SavePfx(services_->files, ToFileName(path), *pfx_, ask.Password(), &pool, true);
        QApplication::restoreOverrideCursor();
        if (result == PfxResult::Written) {
            cerrojo::SecureWipeObject(pool);
            services_->messages.Show({Text(GenerationText::CaptionPetitora),
                                      Format(Text(UiText::PfxSaved),
                                             {ToCp1252(QDir::toNativeSeparators(path)).value_or(
                                                 ToFileName(QFileInfo(path).fileName()))})});
            return;
        }
    }
    cerrojo::SecureWipeObject(pool);
    services_->messages.Show({Text(GenerationText::CaptionPetitora), Text(failure)});
}

VerificationResultDialog::~VerificationResultDialog() = default;

// icon | mark word | text: the outcome reads without the colours too.
void VerificationResultDialog::AddCheckRow(int row, const CheckLine& check) {
    QWidget* group = ui_->checksGroup;
    const QString markText = FromCp1252(MarkText(check.state));

    auto* icon = new QLabel(group);
    icon->setObjectName(QStringLiteral("checkIcon%1").arg(row));
    icon->setPixmap(CheckMarkIcon(check.state).pixmap(kMarkSize, kMarkSize));
    icon->setAccessibleName(markText);
    icon->setAlignment(Qt::AlignHCenter | Qt::AlignTop);

    QLabel* mark = PlainLabel(markText, QStringLiteral("checkMark%1").arg(row), group);
    QFont bold = mark->font();
    bold.setBold(true);
    mark->setFont(bold);
    mark->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    QLabel* text =
        PlainLabel(FromCp1252(check.text), QStringLiteral("checkText%1").arg(row), group);
    text->setWordWrap(true);
    text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    text->setTextInteractionFlags(Qt::TextSelectableByMouse);

    ui_->checksLayout->addWidget(icon, row, 0);
    ui_->checksLayout->addWidget(mark, row, 1);
    ui_->checksLayout->addWidget(text, row, 2);
}

// A read-only box per value: long values scroll inside it, can be copied,
// and never widen the dialog.
void VerificationResultDialog::AddContentRow(int row, const ContentLine& content) {
    QWidget* group = ui_->contentsGroup;
    const QString label = FromCp1252(content.label);
    auto* value = new QLineEdit(group);
    value->setObjectName(QStringLiteral("contentValue%1").arg(row));
    value->setReadOnly(true);
    value->setText(FromCp1252(content.value));
    value->setCursorPosition(0);
    value->setAccessibleName(label);
    QLabel* name =
        PlainLabel(label + QLatin1Char(':'), QStringLiteral("contentLabel%1").arg(row), group);
    name->setBuddy(value);
    ui_->contentsLayout->addRow(name, value);
}

}  // namespace petitora
