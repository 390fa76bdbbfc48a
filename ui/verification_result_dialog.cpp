#include "ui/verification_result_dialog.h"

#include <QLabel>
#include <QLineEdit>

#include "ui/app_resources.h"
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
    setWindowIcon(ApplicationIcon());

    const bool passed = report.AllPassed();
    ui_->summaryIcon->setPixmap(CheckMarkIcon(passed ? CheckState::Passed : CheckState::Failed)
                                    .pixmap(kSummaryMarkSize, kSummaryMarkSize));
    ui_->summaryIcon->setAccessibleName(
        FromCp1252(MarkText(passed ? CheckState::Passed : CheckState::Failed)));
    ui_->summary->setText(FromCp1252(Text(!passed   ? UiText::VerifySomeFailed
                                          : keyPath ? UiText::VerifyAllPassed
                                                    : UiText::VerifyRequestPassed)));
    QFont bold = ui_->summary->font();
    bold.setBold(true);
    ui_->summary->setFont(bold);

    // Read-only boxes that read as text; a long path shows its file name
    // and, as a tip, the whole of it.
    ui_->requestPath->setText(requestPath);
    ui_->requestPath->setToolTip(requestPath);
    ui_->keyPath->setText(keyPath.value_or(FromCp1252(Text(UiText::VerifyNoKeyFile))));
    if (keyPath) ui_->keyPath->setToolTip(*keyPath);

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
