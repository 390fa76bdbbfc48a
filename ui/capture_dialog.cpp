#include "ui/capture_dialog.h"

#include <QApplication>
#include <QLayout>
#include <QTabBar>

#include "capture/offices.h"
#include "capture/rules.h"
#include "crypto/common.h"
#include "generation/key_options.h"
#include "ui/capture_page.h"
#include "ui/key_options_dialog.h"
#include "ui/text_boundary.h"
#include "ui_capture_dialog.h"

namespace petitora {
namespace {

// Marks the dialog busy for a scope (nesting allowed).
class BusyScope {
  public:
    explicit BusyScope(bool& busy) : busy_(busy), was_(busy) { busy_ = true; }
    ~BusyScope() { busy_ = was_; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

  private:
    bool& busy_;
    bool was_;
};

void PlaceInTab(QWidget* tab, QWidget* page) {
    tab->layout()->addWidget(page);
}

}  // namespace

CaptureDialog::CaptureDialog(QWidget* owner, UserType type, DialogServices services)
    : QDialog(owner), ui_(std::make_unique<Ui::CaptureDialog>()), services_(services) {
    ui_->setupUi(this);
    storage_.registrant = CreateRegistrantRecord(type);
    connect(ui_->exitButton, &QPushButton::clicked, this, &QDialog::reject);
    if (!storage_.Allocated()) {
        services_.messages.Show(MemoryErrorMessage());
        ui_->tabs->setEnabled(false);
        ui_->continueButton->setEnabled(false);
        return;
    }
    storage_.workingDirectory = services_.files.CurrentDirectory();

    RegionalOfficeList offices = BuiltInRegionalOffices();
    // Without a usable "Regionales.ini" the built-in list simply stays.
    LoadRegionalOffices(kRegionalOfficesFileName, offices,
                        reinterpret_cast<char*>(storage_.workBuffer.data()), kWorkBufferSize);

    auto* personal = new PersonalDataPage(storage_.registrant, ui_->personalDataTab);
    address_ = new AddressPage(storage_.registrant, std::move(offices), ui_->addressTab);
    auto* representative =
        new LegalRepresentativePage(storage_.registrant, ui_->legalRepresentativeTab);
    representative->setEnabled(type != UserType::ContadorPublico);
    pages_ = {personal, address_, representative};
    PlaceInTab(ui_->personalDataTab, personal);
    PlaceInTab(ui_->addressTab, address_);
    PlaceInTab(ui_->legalRepresentativeTab, representative);
    setWindowTitle(FromCp1252(WindowTitle(type)));
    // As large as the largest page, whichever tab is on display.
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    // The tab strip takes the focus when clicked, as a tab control does: the
    // box being left is cleaned before the page check runs, and Enter on the
    // strip means "Continuar".
    ui_->tabs->tabBar()->setFocusPolicy(Qt::StrongFocus);
    connect(ui_->tabs, &QTabWidget::currentChanged, this, &CaptureDialog::OnTabChanged);
    connect(ui_->continueButton, &QPushButton::clicked, this, &CaptureDialog::OnContinue);
    connect(address_, &AddressPage::OfficePicked, this, &CaptureDialog::OnOfficePicked);
    connect(qApp, &QApplication::focusChanged, this, &CaptureDialog::OnFocusChanged);
}

CaptureDialog::~CaptureDialog() {
    // No focus change may reach this dialog while its widgets go away.
    disconnect(qApp, nullptr, this, nullptr);
    busy_ = true;
    for (CapturePage*& page : pages_) {
        delete page;
        page = nullptr;
    }
    // The record holds the revocation key: leave none of it in freed memory
    // (all of each field's storage, also past a shorter last value).
    for (int i = 1; i < kFieldCount; ++i) {
        if (std::string* text = FieldText(storage_.registrant, static_cast<Field>(i))) {
            cerrojo::SecureWipe(text->data(), text->capacity());
        }
    }
    // storage_ wipes and releases both buffers as it goes.
}

CapturePage* CaptureDialog::PageOf(Field field) const {
    const FieldInfo* info = FindField(field);
    if (info == nullptr || pages_[0] == nullptr) return nullptr;
    return pages_[static_cast<std::size_t>(info->page)];
}

bool CaptureDialog::IsCleanedOnLeave(Field field) const {
    const FieldInfo* info = FindField(field);
    return info != nullptr && info->trimmed;
}

void CaptureDialog::Complain(const Verdict& verdict) {
    BusyScope busy(busy_);
    ShowVerdict(services_.messages, verdict);
    if (CapturePage* page = PageOf(verdict.focus)) {
        if (QWidget* box = page->Box(verdict.focus)) box->setFocus(Qt::OtherFocusReason);
    }
}

void CaptureDialog::ShowTabQuietly(int index) {
    BusyScope busy(busy_);
    ui_->tabs->setCurrentIndex(index);
    shownTab_ = index;
}

bool CaptureDialog::LeaveBox(Field field, bool complain) {
    CapturePage* page = PageOf(field);
    if (page == nullptr) return true;
    BusyScope busy(busy_);
    page->Read();
    const Verdict verdict = NormaliseOnLeave(storage_.registrant, field);
    page->Write();
    if (!verdict.valid && complain) Complain(verdict);
    return verdict.valid;
}

void CaptureDialog::OnFocusChanged(QWidget* old, QWidget* now) {
    if (busy_ || !HasPages()) return;
    // Only moves inside this window count: a message box, another window or
    // the window losing the focus is not the user leaving a box.
    if (old == nullptr || now == nullptr || old->window() != this || now->window() != this) return;

    const auto fieldOf = [this](const QWidget* widget) {
        for (const CapturePage* page : pages_) {
            const Field field = page->FieldOf(widget);
            if (field != Field::None) return field;
        }
        return Field::None;
    };

    // A tab change moves the focus out of the page it hides and then onto the
    // page it shows, before the page check runs. The box left that way is
    // cleaned without a word (the page check that follows reports what is
    // missing, with the focus in the box); the arrival is not the user's.
    if (!old->isVisibleTo(this)) {
        const Field hiddenLeft = fieldOf(old);
        if (hiddenLeft != Field::Street && IsCleanedOnLeave(hiddenLeft))
            LeaveBox(hiddenLeft, false);
        return;
    }
    if (const Field arrived = fieldOf(now);
        arrived != Field::None && PageOf(arrived)->PageIndex() != shownTab_) {
        return;
    }

    // Leaving a box for "Salir" is not leaving it yet: if "Salir" then closes
    // the dialog nothing is cleaned or reported; if the user goes on
    // elsewhere instead, the box is cleaned then.
    if (now == ui_->exitButton) {
        if (IsCleanedOnLeave(fieldOf(old))) leftForExit_ = old;
        return;
    }
    Field left = Field::None;
    if (old == ui_->exitButton) {
        if (leftForExit_ != nullptr && leftForExit_ != now) left = fieldOf(leftForExit_);
        leftForExit_ = nullptr;
    } else {
        left = fieldOf(old);
    }
    // The street is cleaned when the exterior-number box gets the focus.
    if (left != Field::Street && IsCleanedOnLeave(left) && !LeaveBox(left)) return;
    if (fieldOf(now) == Field::ExteriorNumber) LeaveBox(Field::Street);
}

void CaptureDialog::OnTabChanged(int index) {
    if (busy_) {
        shownTab_ = index;
        return;
    }
    const int leaving = shownTab_;
    if (index == leaving) return;
    BusyScope busy(busy_);
    pages_[static_cast<std::size_t>(leaving)]->Read();
    const Verdict verdict = ValidatePage(storage_.registrant, leaving);
    if (!verdict.valid) {
        ShowTabQuietly(leaving);
        Complain(verdict);
        return;
    }
    shownTab_ = index;
    pages_[static_cast<std::size_t>(index)]->FirstBox()->setFocus(Qt::TabFocusReason);
}

void CaptureDialog::OnOfficePicked() {
    BusyScope busy(busy_);
    address_->Read();
    Complain(CheckOfficeMatchesState(storage_.registrant));
}

void CaptureDialog::OnContinue() {
    if (!HasPages()) return;
    {
        BusyScope busy(busy_);
        for (CapturePage* page : pages_) page->Read();
        int failedPage = shownTab_;
        const Verdict verdict = AcceptCapture(storage_.registrant, &failedPage);
        if (!verdict.valid) {
            // The user must see the box the message is about.
            if (failedPage != shownTab_) ShowTabQuietly(failedPage);
            Complain(verdict);
            return;
        }
    }
    KeyOptionsDialog keyOptions(this, storage_, services_);
    if (keyOptions.exec() == QDialog::Accepted) accept();
}

}  // namespace petitora
