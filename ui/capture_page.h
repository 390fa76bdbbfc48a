// What the three capture pages share: the boxes of one page of the
// registrant record, found by the record field's name, with their limits and
// input rules, and the copying between boxes and record in both directions.
#pragma once

#include <QWidget>
#include <memory>

#include "capture/offices.h"
#include "capture/registrant.h"

class QKeyEvent;

namespace Ui {
class PersonalDataPage;
class AddressPage;
class LegalRepresentativePage;
}  // namespace Ui

namespace petitora {

class CapturePage : public QWidget {
    Q_OBJECT
  public:
    // Copies every box of the page into the record (the boxes are the source of truth).
    virtual void Read();
    // Puts every field of the page back into its box (boxes already showing
    // their field are left alone, so the cursor does not jump).
    virtual void Write();

    int PageIndex() const { return page_; }
    // The box of a field of this page; nullptr for a field of another page.
    QWidget* Box(Field field) const;
    // The field of one of this page's boxes; Field::None for any other widget.
    Field FieldOf(const QWidget* widget) const;
    // Where the focus goes when the user arrives on this page's tab.
    virtual QWidget* FirstBox() const = 0;

    // Overwrites what the secret boxes hold.
    ~CapturePage() override;

  protected:
    CapturePage(int page, RegistrantRecord& record, QWidget* parent);
    // After setupUi: limits, validators, label texts of this kind and
    // accessible names of every box of the page.
    void SetUpBoxes();

    // Enter and Escape inside a page do nothing: they neither close the
    // dialog nor press its buttons.
    void keyPressEvent(QKeyEvent* event) override;

    RegistrantRecord& record_;

  private:
    int page_;
};

// "Usuario": RFC, CURP, names, e-mail, revocation key, patente or C.P.R.
class PersonalDataPage final : public CapturePage {
    Q_OBJECT
  public:
    PersonalDataPage(RegistrantRecord& record, QWidget* parent);
    ~PersonalDataPage() override;
    QWidget* FirstBox() const override;

  private:
    std::unique_ptr<Ui::PersonalDataPage> ui_;
};

// "Domicilio": address, state and regional office lists.
class AddressPage final : public CapturePage {
    Q_OBJECT
  public:
    AddressPage(RegistrantRecord& record, RegionalOfficeList offices, QWidget* parent);
    ~AddressPage() override;
    QWidget* FirstBox() const override;
    void Read() override;
    void Write() override;

  signals:
    // The user picked another office: the dialog checks it against the state.
    void OfficePicked();

  private:
    std::unique_ptr<Ui::AddressPage> ui_;
    RegionalOfficeList offices_;
    int lastOffice_ = 0;
};

// "R. Legal": the legal representative.
class LegalRepresentativePage final : public CapturePage {
    Q_OBJECT
  public:
    LegalRepresentativePage(RegistrantRecord& record, QWidget* parent);
    ~LegalRepresentativePage() override;
    QWidget* FirstBox() const override;

  private:
    std::unique_ptr<Ui::LegalRepresentativePage> ui_;
};

}  // namespace petitora
