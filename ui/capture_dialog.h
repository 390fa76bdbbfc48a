// The capture dialog: the three pages of one registrant on a tab strip,
// the guarded tab change, "Continuar" and "Salir". It owns the registrant
// record, the working directory and the two work buffers for as long as it
// is open (the buffers are zeroed when allocated and wiped when it closes).
#pragma once

#include <QDialog>
#include <QPointer>
#include <array>
#include <memory>

#include "capture/registrant.h"
#include "generation/job.h"
#include "ui/message_presenter.h"

namespace Ui {
class CaptureDialog;
}

namespace petitora {

class CapturePage;
class AddressPage;

class CaptureDialog final : public QDialog {
    Q_OBJECT
  public:
    CaptureDialog(QWidget* owner, UserType type, DialogServices services);
    ~CaptureDialog() override;

    UserType Kind() const { return storage_.registrant.userType; }
    // The registrant as last read from the boxes.
    const RegistrantRecord& Record() const { return storage_.registrant; }
    // False when the buffers could not be allocated: the dialog has no pages
    // and only closes.
    bool HasPages() const { return storage_.Allocated(); }

  private:
    void OnContinue();
    void OnTabChanged(int index);
    void OnFocusChanged(QWidget* old, QWidget* now);
    void OnOfficePicked();

    // The clean-up of a box the user has left; false when the box is a
    // required one left empty (with its message when complain is set).
    bool LeaveBox(Field field, bool complain = true);
    // A rule's complaint: the message, then the focus into the rule's box.
    void Complain(const Verdict& verdict);
    void ShowTabQuietly(int index);
    CapturePage* PageOf(Field field) const;
    bool IsCleanedOnLeave(Field field) const;

    std::unique_ptr<Ui::CaptureDialog> ui_;
    DialogServices services_;
    CaptureStorage storage_;
    std::array<CapturePage*, kPageCount> pages_{};
    AddressPage* address_ = nullptr;
    int shownTab_ = 0;
    // Set while the dialog itself moves the focus or the tab, or shows a
    // message: focus changes then are not the user leaving a box.
    bool busy_ = false;
    // A box left for "Salir": cleaned only if "Salir" is left without closing.
    QPointer<QWidget> leftForExit_;
};

}  // namespace petitora
