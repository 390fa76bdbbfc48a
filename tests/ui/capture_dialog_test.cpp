// The capture dialog and its pages, driven through their real boxes.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include "capture/offices.h"
#include "generation/file_system.h"
#include "generation/generation_support.h"
#include "ui/capture_dialog.h"
#include "ui/key_options_dialog.h"
#include "ui/support/ui_support.h"

namespace {

using namespace petitora;
using uitest::ClickTab;
using uitest::Find;
using uitest::FocusName;
using uitest::ModalScript;
using uitest::TypeInto;
using uitest::U;

constexpr const char* kMissingOnLeave = "Error, falta dato por capturar.";

// One capture dialog, shown (not run modally) so the test can act on it directly.
struct Capture {
    uitest::ScriptedMessages messages;
    SystemFileSystem files;
    CaptureDialog dialog;

    explicit Capture(UserType kind) : dialog(nullptr, kind, DialogServices{messages, files}) {
        dialog.show();
        dialog.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog));
    }
    QLineEdit* Box(const char* name) { return Find<QLineEdit>(&dialog, name); }
    QString Text(const char* name) { return Box(name)->text(); }
    QTabWidget* Tabs() { return Find<QTabWidget>(&dialog, "tabs"); }
    void Type(const char* name, const std::string& utf8) { TypeInto(&dialog, name, utf8); }
    // Everything of a valid registrant typed into page 0 (and the address, when asked).
    void FillValid(bool address) {
        FillPersonal();
        if (address) FillAddress();
    }
    void FillPersonal() {
        const RegistrantRecord record = gentest::Registrant(dialog.Kind());
        for (int i = 0; i < kFieldCount - 1; ++i) {
            const FieldInfo& info = FieldTable()[i];
            if (info.page != kPagePersonalData) continue;
            const std::string* text = FieldText(record, info.field);
            if (text && !text->empty()) Type(info.name, U(*text));
        }
    }
    void FillAddress() {
        ClickTab(&dialog, kPageAddress);
        Type("street", "AV. REFORMA");
        Type("exteriorNumber", "10");
        Type("neighbourhood", "CENTRO");
        Type("postalCode", "06000");
        Type("municipality", "CUAUHTEMOC");
        Find<QComboBox>(&dialog, "stateIndex")->setCurrentIndex(8);
        auto* office = Find<QComboBox>(&dialog, "regionalOffice");
        office->setCurrentIndex(office->findText(QStringLiteral("12 CENTRO D.F.")));
    }
};

bool Visible(QWidget* w) {
    return w != nullptr && w->isVisible();
}

// What each kind shows, hides and greys, with its title and labels; and a
// picture of every page of every kind.
TEST(CaptureDialogLayout, EachKindShowsItsOwnBoxesAndLabels) {
    for (int code = 0; code < kUserTypeCount; ++code) {
        const auto kind = static_cast<UserType>(code);
        SCOPED_TRACE(MenuEntry(kind));
        Capture c(kind);
        const bool entity = IsEntityKind(kind), customs = IsCustomsKind(kind);
        const bool cpr = kind == UserType::ContadorPublico;
        EXPECT_EQ(c.dialog.windowTitle().toStdString(), U(WindowTitle(kind)));
        EXPECT_EQ(c.Tabs()->currentIndex(), 0);
        ASSERT_EQ(c.Tabs()->count(), 3);
        EXPECT_EQ(c.Tabs()->tabText(0).toStdString(), "Usuario");
        EXPECT_EQ(c.Tabs()->tabText(1).toStdString(), "Domicilio");
        EXPECT_EQ(c.Tabs()->tabText(2).toStdString(), "R. Legal");
        EXPECT_EQ(Visible(c.Box("rfcEntityLetters")), entity);
        EXPECT_EQ(Visible(c.Box("rfcLetters")), !entity);
        EXPECT_EQ(FocusName(), entity ? "rfcEntityLetters" : "rfcLetters");
        EXPECT_EQ(Visible(c.Box("curp")), !entity);
        EXPECT_EQ(Visible(Find<QLabel>(&c.dialog, "curpLabel")), !entity);
        EXPECT_EQ(Visible(c.Box("patenteCpr")), cpr || customs);
        EXPECT_EQ(c.Box("paternalSurname")->isEnabled(), !entity);
        EXPECT_EQ(c.Box("maternalSurname")->isEnabled(), !entity);
        // Every label shows the text of its field for this kind.
        for (int i = 0; i < kFieldCount - 1; ++i) {
            const FieldInfo& info = FieldTable()[i];
            auto* label = c.dialog.findChild<QLabel*>(QString::fromLatin1(info.name) + "Label");
            if (label == nullptr) continue;
            EXPECT_EQ(label->text().toStdString(), U(FieldLabel(info.field, kind))) << info.name;
        }
        uitest::Picture(&c.dialog, std::string("capture-") + std::to_string(code) + "-0");

        c.FillValid(true);
        EXPECT_EQ(c.Tabs()->currentIndex(), 1);
        EXPECT_EQ(Visible(Find<QComboBox>(&c.dialog, "regionalOffice")), !customs);
        EXPECT_EQ(Visible(Find<QLabel>(&c.dialog, "regionalOfficeLabel")), !customs);
        uitest::Picture(&c.dialog, std::string("capture-") + std::to_string(code) + "-1");
        ClickTab(&c.dialog, 2);
        EXPECT_EQ(c.Tabs()->currentIndex(), 2);
        EXPECT_EQ(c.Box("repRfcLetters")->isEnabled(), !cpr);
        uitest::Picture(&c.dialog, std::string("capture-") + std::to_string(code) + "-2");
        EXPECT_TRUE(c.messages.shown.empty()) << c.messages.LastText();
    }
}

// Screen readers (and tests through the accessibility interface) find every
// box, list and button by a name.
TEST(CaptureDialogLayout, EveryControlHasAnAccessibleName) {
    for (UserType kind : {UserType::PersonaFisica, UserType::Banco}) {
        Capture c(kind);
        uitest::ExpectAccessibleNames(&c.dialog);
        EXPECT_EQ(c.Box("rfcDate")->accessibleName().toStdString(), "Fecha del RFC (aammdd)");
        EXPECT_EQ(c.Box("email")->accessibleName().toStdString(), "Correo Electr\u00f3nico");
    }
}

// Upper case, digits only, maximum length and Windows-1252 only, as typed.
TEST(CaptureDialogInput, BoxesKeepToTheirFieldsRules) {
    Capture c(UserType::PersonaFisica);
    c.Type("rfcLetters", "pe\u00f1aX");
    EXPECT_EQ(c.Text("rfcLetters").toStdString(), "PE\u00d1A");
    c.Type("rfcDate", "8a0-01.01x9");
    EXPECT_EQ(c.Text("rfcDate").toStdString(), "800101");
    c.Type("name",
           "Jos\u00e9 \u20ac \u0141ukasz \u4e2d");  // the Polish L and the ideograph have no byte
    EXPECT_EQ(c.Text("name").toStdString(), "Jos\u00e9 \u20ac ukasz ");
    c.Type("revocationKey", std::string(25, 'k'));
    EXPECT_EQ(c.Text("revocationKey").size(), 20);
    c.Type("curp", "abcd");
    EXPECT_EQ(c.Text("curp").toStdString(), "abcd");  // typed as is
}

// Leaving a cleaned box trims it, and an empty required one complains and
// keeps the focus; the street is cleaned when the exterior number is entered.
TEST(CaptureDialogLeave, CleansTheBoxAndComplainsWhenRequiredIsEmpty) {
    Capture c(UserType::PersonaFisica);
    c.Type("name", "  JUAN   CARLOS  ");
    c.Box("paternalSurname")->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(c.Text("name").toStdString(), "JUAN CARLOS");
    EXPECT_TRUE(c.messages.shown.empty());

    c.Box("email")->setFocus(Qt::TabFocusReason);  // leaving the empty surname
    ASSERT_EQ(c.messages.shown.size(), 1u);
    EXPECT_EQ(c.messages.shown[0].text, kMissingOnLeave);
    EXPECT_EQ(c.messages.shown[0].caption, "Error");
    EXPECT_EQ(FocusName(), "paternalSurname");

    c.messages.Clear();
    c.FillValid(false);
    ClickTab(&c.dialog, kPageAddress);
    ASSERT_EQ(c.Tabs()->currentIndex(), 1) << c.messages.LastText();
    c.messages.Clear();
    c.Type("neighbourhood", "CENTRO");
    c.Type("street", "   ");
    c.Box("neighbourhood")->setFocus(Qt::TabFocusReason);  // not cleaned on its own leave
    EXPECT_TRUE(c.messages.shown.empty());
    EXPECT_EQ(c.Text("street").toStdString(), "   ");
    c.Box("exteriorNumber")->setFocus(Qt::TabFocusReason);
    ASSERT_EQ(c.messages.Texts(), std::vector<std::string>{kMissingOnLeave});
    EXPECT_EQ(FocusName(), "street");
    EXPECT_EQ(c.Text("street").toStdString(), "");

    c.messages.Clear();
    c.Type("interiorNumber", "   ");  // optional: emptied without a word
    c.Box("locality")->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(c.Text("interiorNumber").toStdString(), "");
    EXPECT_TRUE(c.messages.shown.empty());
}

// A page that fails its check cannot be left; a valid one can.
TEST(CaptureDialogTabs, OnlyAValidPageCanBeLeft) {
    Capture c(UserType::PersonaFisica);
    ClickTab(&c.dialog, kPageAddress);
    EXPECT_EQ(c.messages.Texts(), std::vector<std::string>{"Error en la captura de su RFC"});
    EXPECT_EQ(c.Tabs()->currentIndex(), 0);
    EXPECT_EQ(FocusName(), "rfcLetters");

    c.messages.Clear();
    c.FillValid(false);
    c.Box("email")->clear();
    ClickTab(&c.dialog, kPageLegalRepresentative);
    EXPECT_EQ(c.messages.Texts(),
              std::vector<std::string>{"Error, falta capturar el correo electronico del usuario."});
    EXPECT_EQ(c.Tabs()->currentIndex(), 0);
    EXPECT_EQ(FocusName(), "email");

    c.messages.Clear();
    c.Type("email", "juan@example.mx");
    ClickTab(&c.dialog, kPageLegalRepresentative);
    EXPECT_TRUE(c.messages.shown.empty()) << c.messages.LastText();
    EXPECT_EQ(c.Tabs()->currentIndex(), 2);
    EXPECT_EQ(FocusName(), "repRfcLetters");

    // A representative with a full RFC but no first surname.
    c.Type("repRfcLetters", "RUSA");
    c.Type("repRfcDate", "750505");
    c.Type("repRfcHomoclave", "XY2");
    c.Type("repMaternalSurname", "SOTO");
    ClickTab(&c.dialog, kPagePersonalData);
    EXPECT_EQ(c.messages.Texts(),
              std::vector<std::string>{"Error, hay datos que falta capturar en el nombre del "
                                       "representante legal."});
    EXPECT_EQ(c.Tabs()->currentIndex(), 2);
    EXPECT_EQ(FocusName(), "repName");
}

// Changing tabs from a box moves the focus several times inside Qt (to the
// strip, out of the hidden page, onto the new page): the user left the box
// once, and each message comes once.
TEST(CaptureDialogTabs, ChangingTabsFromABlankBoxComplainsOnce) {
    const std::string missingName = "Error, falta capturar el nombre del usuario.";
    Capture c(UserType::PersonaFisica);
    c.FillValid(false);
    c.Box("name")->clear();
    c.messages.Clear();
    c.Type("name", "  ");
    ClickTab(&c.dialog, kPageAddress);
    EXPECT_EQ(c.messages.Texts(), (std::vector<std::string>{kMissingOnLeave, missingName}));
    EXPECT_EQ(c.Tabs()->currentIndex(), 0);
    EXPECT_EQ(FocusName(), "name");

    // From the keyboard the page check alone speaks: the box is cleaned first.
    c.messages.Clear();
    c.Type("name", "  ");
    QTest::keyClick(c.Box("name"), Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(c.messages.Texts(), std::vector<std::string>{missingName});
    EXPECT_EQ(c.Tabs()->currentIndex(), 0);
    EXPECT_EQ(FocusName(), "name");
    EXPECT_EQ(c.Text("name").toStdString(), "");

    c.messages.Clear();
    c.Type("name", "  JUAN   CARLOS ");
    QTest::keyClick(c.Box("name"), Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_TRUE(c.messages.shown.empty()) << c.messages.LastText();
    EXPECT_EQ(c.Tabs()->currentIndex(), 1);
    EXPECT_EQ(FocusName(), "street");
    EXPECT_EQ(c.dialog.Record().name, "JUAN CARLOS");

    // The representative's name is optional while the page is empty: the
    // clean-up speaks once and the change goes through.
    c.FillAddress();
    ClickTab(&c.dialog, kPageLegalRepresentative);
    c.Box("repName")->setFocus(Qt::MouseFocusReason);
    c.messages.Clear();
    ClickTab(&c.dialog, kPagePersonalData);
    EXPECT_EQ(c.messages.Texts(), std::vector<std::string>{kMissingOnLeave});
    EXPECT_EQ(c.Tabs()->currentIndex(), 0);
    EXPECT_EQ(FocusName(), "rfcLetters");
}

// "Continuar" checks the pages in order; the failing page comes to the front
// before its message, and its box gets the focus.
TEST(CaptureDialogContinue, BringsTheFailingPageForwardWithItsMessage) {
    Capture c(UserType::PersonaMoral);
    c.FillValid(false);
    int tabWhenShown = -1;
    c.messages.onShow = [&](const MessageRequest&) { tabWhenShown = c.Tabs()->currentIndex(); };
    QTest::mouseClick(Find<QPushButton>(&c.dialog, "continueButton"), Qt::LeftButton);
    EXPECT_EQ(c.messages.Texts(), std::vector<std::string>{"Error, hay datos que falta capturar."});
    EXPECT_EQ(tabWhenShown, 1);
    EXPECT_EQ(c.Tabs()->currentIndex(), 1);

    // Address complete; the entity's representative is missing.
    c.FillAddress();
    c.messages.Clear();
    QTest::mouseClick(Find<QPushButton>(&c.dialog, "continueButton"), Qt::LeftButton);
    EXPECT_EQ(c.messages.Texts(),
              std::vector<std::string>{"Error, una persona moral debe capturar los datos del "
                                       "representante legal."});
    EXPECT_EQ(tabWhenShown, 2);
    EXPECT_EQ(FocusName(), "repRfcLetters");
    EXPECT_TRUE(c.dialog.isVisible());
}

// Picking an office that is not in the chosen state complains at once.
TEST(CaptureDialogOffice, PickingAnOfficeOfAnotherStateComplains) {
    Capture c(UserType::PersonaFisica);
    c.FillValid(true);
    c.messages.Clear();
    auto* state = Find<QComboBox>(&c.dialog, "stateIndex");
    state->setCurrentIndex(30);  // Yucatan
    auto* office = Find<QComboBox>(&c.dialog, "regionalOffice");
    office->setFocus();
    const int merida = office->findText(QStringLiteral("75 MERIDA"));
    office->setCurrentIndex(merida - 1);
    emit office->activated(merida - 1);  // what a pick in the list does
    EXPECT_EQ(c.messages.shown.size(), 1u);
    office->setCurrentIndex(merida);
    emit office->activated(merida);
    EXPECT_EQ(c.messages.shown.size(), 1u);
    EXPECT_EQ(c.dialog.Record().regionalOffice, "75 MERIDA");
}

// Enter and Escape in a page do nothing; on the tab strip Enter is
// "Continuar" and Escape is "Salir".
TEST(CaptureDialogKeys, EnterAndEscapeInsideAPageDoNothing) {
    Capture c(UserType::PersonaFisica);
    c.Type("email", "juan@example.mx");
    QTest::keyClick(c.Box("email"), Qt::Key_Return);
    QTest::keyClick(c.Box("email"), Qt::Key_Escape);
    QTest::keyClick(c.Box("email"), Qt::Key_Enter);
    EXPECT_TRUE(c.dialog.isVisible());
    EXPECT_TRUE(c.messages.shown.empty());

    QTabBar* strip = c.Tabs()->tabBar();
    strip->setFocus(Qt::TabFocusReason);
    QTest::keyClick(strip, Qt::Key_Return);  // "Continuar": the RFC is incomplete
    EXPECT_EQ(c.messages.Texts(), std::vector<std::string>{"Error en la captura de su RFC"});
    EXPECT_TRUE(c.dialog.isVisible());
    strip->setFocus(Qt::TabFocusReason);
    QTest::keyClick(strip, Qt::Key_Escape);
    EXPECT_FALSE(c.dialog.isVisible());
    EXPECT_EQ(c.dialog.result(), QDialog::Rejected);
}

// Tabbing past "Salir" keeps the dialog and everything typed; leaving a box
// for "Salir" and then using it closes without cleaning or complaining, and
// going elsewhere instead cleans the box then.
TEST(CaptureDialogExit, SalirLosingTheFocusKeepsTheDialog) {
    Capture c(UserType::PersonaFisica);
    c.Type("rfcLetters", "PELJ");
    auto* exit = Find<QPushButton>(&c.dialog, "exitButton");
    exit->setFocus(Qt::TabFocusReason);
    c.Box("rfcDate")->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    EXPECT_TRUE(c.dialog.isVisible());
    EXPECT_EQ(c.Text("rfcLetters").toStdString(), "PELJ");

    c.Type("name", "  ");  // a required box left empty, towards "Salir"
    exit->setFocus(Qt::MouseFocusReason);
    EXPECT_TRUE(c.messages.shown.empty());
    c.Box("email")->setFocus(Qt::MouseFocusReason);  // the user went elsewhere
    EXPECT_EQ(c.messages.Texts(), std::vector<std::string>{kMissingOnLeave});
    EXPECT_EQ(FocusName(), "name");

    c.messages.Clear();
    QTest::mouseClick(exit, Qt::LeftButton);  // focus moves from the empty name box to "Salir"
    EXPECT_TRUE(c.messages.shown.empty());
    EXPECT_FALSE(c.dialog.isVisible());
    EXPECT_EQ(c.dialog.result(), QDialog::Rejected);
}

// "&Regresar" from the key options brings back every box as it was.
TEST(CaptureDialogContinue, ReturningFromTheKeyOptionsKeepsTheData) {
    Capture c(UserType::Banco);
    c.FillValid(true);
    ClickTab(&c.dialog, kPageLegalRepresentative);
    c.Type("repRfcLetters", "RUSA");
    c.Type("repRfcDate", "750505");
    c.Type("repRfcHomoclave", "XY2");
    c.Type("repName", "ANA");
    c.Type("repPaternalSurname", "RUIZ");
    c.messages.Clear();
    ModalScript script;
    script.Then<KeyOptionsDialog>([](KeyOptionsDialog* keys) {
        QTest::mouseClick(Find<QPushButton>(keys, "returnButton"), Qt::LeftButton);
    });
    QTest::mouseClick(Find<QPushButton>(&c.dialog, "continueButton"), Qt::LeftButton);
    EXPECT_TRUE(script.Done()) << c.messages.LastText();
    EXPECT_TRUE(c.dialog.isVisible());
    EXPECT_EQ(c.Text("repName").toStdString(), "ANA");
    EXPECT_EQ(c.Text("rfcEntityLetters").toStdString(), "ACM");
    EXPECT_EQ(c.dialog.Record().rfcLetters, "ACM");  // the entity's copy was made
    EXPECT_EQ(c.Tabs()->currentIndex(), 2);
}

}  // namespace
