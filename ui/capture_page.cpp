#include "ui/capture_page.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

#include "capture/user_type.h"
#include "ui/secret_box.h"
#include "ui/text_boundary.h"
#include "ui_address_page.h"
#include "ui_legal_representative_page.h"
#include "ui_personal_data_page.h"

namespace petitora {
namespace {

// Short boxes are drawn just wide enough for their longest content.
constexpr std::size_t kShortBoxLength = 10;

// The registrant's own secret: its box and its record field get the password
// boxes' care (see ui/secret_box.h), though the box shows what is typed.
bool IsSecret(Field field) {
    return field == Field::RevocationKey;
}

template <typename Visit>
void ForEachTextBox(const QWidget& page, int pageIndex, Visit visit) {
    const FieldInfo* table = FieldTable();
    for (int i = 0; i < kFieldCount - 1; ++i) {
        const FieldInfo& info = table[i];
        if (info.page != pageIndex || !info.isText || info.rule == InputRule::ListChoice) continue;
        if (auto* box = page.findChild<QLineEdit*>(QString::fromLatin1(info.name)))
            visit(info, box);
    }
}

}  // namespace

CapturePage::CapturePage(int page, RegistrantRecord& record, QWidget* parent)
    : QWidget(parent), record_(record), page_(page) {}

CapturePage::~CapturePage() {
    ForEachTextBox(*this, page_, [&](const FieldInfo& info, QLineEdit* box) {
        if (IsSecret(info.field)) WipeSecretBox(box);
    });
}

void CapturePage::SetUpBoxes() {
    const UserType type = record_.userType;
    ForEachTextBox(*this, page_, [&](const FieldInfo& info, QLineEdit* box) {
        box->setMaxLength(static_cast<int>(info.maxLength));
        box->setValidator(new FieldValidator(info.field, box));
        if (IsSecret(info.field)) {
            // The field is read in place: its storage never moves either.
            FieldText(record_, info.field)->reserve(info.maxLength);
            PrepareSecretBox(box, static_cast<int>(info.maxLength));
        }
        if (info.maxLength <= kShortBoxLength) {
            const QChar widest = info.rule == InputRule::Digits ? u'0' : u'W';
            const int text = box->fontMetrics().horizontalAdvance(
                QString(static_cast<qsizetype>(info.maxLength), widest));
            box->setFixedWidth(text + 14);
        }
    });
    const FieldInfo* table = FieldTable();
    for (int i = 0; i < kFieldCount - 1; ++i) {
        const FieldInfo& info = table[i];
        if (info.page != page_) continue;
        QWidget* box = Box(info.field);
        const QString label = FromCp1252(FieldLabel(info.field, type));
        if (box == nullptr || label.isEmpty()) continue;
        // Per-kind labels (name, patente or C.P.R.) come from the kind's texts.
        if (info.label == nullptr) {
            if (auto* text =
                    findChild<QLabel*>(QString::fromLatin1(info.name) + QStringLiteral("Label"))) {
                text->setText(label);
            }
        }
        box->setAccessibleName(AccessibleNameOf(label));
    }
}

QWidget* CapturePage::Box(Field field) const {
    const FieldInfo* info = FindField(field);
    if (info == nullptr || info->page != page_) return nullptr;
    return findChild<QWidget*>(QString::fromLatin1(info->name));
}

Field CapturePage::FieldOf(const QWidget* widget) const {
    if (widget == nullptr || !isAncestorOf(widget)) return Field::None;
    const FieldInfo* table = FieldTable();
    for (int i = 0; i < kFieldCount - 1; ++i) {
        if (table[i].page == page_ && widget->objectName() == QLatin1String(table[i].name)) {
            return table[i].field;
        }
    }
    return Field::None;
}

void CapturePage::Read() {
    ForEachTextBox(*this, page_, [&](const FieldInfo& info, QLineEdit* box) {
        // The validator lets only Windows-1252 text into a box.
        if (IsSecret(info.field)) {
            ReadSecretBox(box, *FieldText(record_, info.field));
        } else {
            *FieldText(record_, info.field) = ToCp1252(box->text()).value_or(std::string());
        }
    });
}

void CapturePage::Write() {
    ForEachTextBox(*this, page_, [&](const FieldInfo& info, QLineEdit* box) {
        if (IsSecret(info.field)) {
            const std::string& secret = *FieldText(record_, info.field);
            if (!SecretBoxShows(box, secret)) SetSecretBoxText(box, secret);
            return;
        }
        const QString text = FromCp1252(*FieldText(record_, info.field));
        if (box->text() != text) box->setText(text);
    });
}

void CapturePage::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
            event->accept();
            return;
        default:
            QWidget::keyPressEvent(event);
    }
}

// --- "Usuario" ---

PersonalDataPage::PersonalDataPage(RegistrantRecord& record, QWidget* parent)
    : CapturePage(kPagePersonalData, record, parent),
      ui_(std::make_unique<Ui::PersonalDataPage>()) {
    ui_->setupUi(this);
    const UserType type = record.userType;
    const bool entity = IsEntityKind(type);
    const bool patente = type == UserType::ContadorPublico || IsCustomsKind(type);
    ui_->rfcEntityLetters->setVisible(entity);
    ui_->rfcLetters->setVisible(!entity);
    ui_->rfcLettersLabel->setBuddy(entity ? ui_->rfcEntityLetters : ui_->rfcLetters);
    ui_->curpLabel->setVisible(!entity);
    ui_->curp->setVisible(!entity);
    ui_->patenteCprLabel->setVisible(patente);
    ui_->patenteCpr->setVisible(patente);
    ui_->paternalSurname->setEnabled(!entity);
    ui_->maternalSurname->setEnabled(!entity);
    SetUpBoxes();
    Write();
    FirstBox()->setFocus();
}

PersonalDataPage::~PersonalDataPage() = default;

QWidget* PersonalDataPage::FirstBox() const {
    return IsEntityKind(record_.userType) ? ui_->rfcEntityLetters : ui_->rfcLetters;
}

// --- "Domicilio" ---

AddressPage::AddressPage(RegistrantRecord& record, RegionalOfficeList offices, QWidget* parent)
    : CapturePage(kPageAddress, record, parent),
      ui_(std::make_unique<Ui::AddressPage>()),
      offices_(std::move(offices)) {
    ui_->setupUi(this);
    for (int i = 0; i < kStateCount; ++i) ui_->stateIndex->addItem(FromCp1252(StateDisplayName(i)));
    for (const std::string& item : offices_.items) ui_->regionalOffice->addItem(FromCp1252(item));
    if (!offices_.items.empty()) {
        ui_->regionalOffice->setCurrentIndex(static_cast<int>(offices_.selection));
    }
    lastOffice_ = ui_->regionalOffice->currentIndex();
    const bool customs = IsCustomsKind(record.userType);
    ui_->regionalOfficeLabel->setVisible(!customs);
    ui_->regionalOffice->setVisible(!customs);
    SetUpBoxes();
    // The lists are the source of truth for the record's choice (the office
    // list may have come from "Regionales.ini").
    Read();
    Write();
    connect(ui_->regionalOffice, &QComboBox::activated, this, [this](int index) {
        if (index == lastOffice_) return;
        lastOffice_ = index;
        emit OfficePicked();
    });
}

AddressPage::~AddressPage() = default;

QWidget* AddressPage::FirstBox() const {
    return ui_->street;
}

void AddressPage::Read() {
    CapturePage::Read();
    record_.stateIndex = std::max(0, ui_->stateIndex->currentIndex());
    const int office = ui_->regionalOffice->currentIndex();
    record_.regionalOffice = office >= 0 && static_cast<std::size_t>(office) < offices_.items.size()
                                 ? offices_.items[static_cast<std::size_t>(office)]
                                 : std::string();
}

void AddressPage::Write() {
    CapturePage::Write();
    if (record_.stateIndex >= 0 && record_.stateIndex < kStateCount) {
        ui_->stateIndex->setCurrentIndex(record_.stateIndex);
    }
    for (std::size_t i = 0; i < offices_.items.size(); ++i) {
        if (offices_.items[i] == record_.regionalOffice) {
            ui_->regionalOffice->setCurrentIndex(static_cast<int>(i));
            lastOffice_ = static_cast<int>(i);
            break;
        }
    }
}

// --- "R. Legal" ---

LegalRepresentativePage::LegalRepresentativePage(RegistrantRecord& record, QWidget* parent)
    : CapturePage(kPageLegalRepresentative, record, parent),
      ui_(std::make_unique<Ui::LegalRepresentativePage>()) {
    ui_->setupUi(this);
    SetUpBoxes();
    Write();
}

LegalRepresentativePage::~LegalRepresentativePage() = default;

QWidget* LegalRepresentativePage::FirstBox() const {
    return ui_->repRfcLetters;
}

}  // namespace petitora
