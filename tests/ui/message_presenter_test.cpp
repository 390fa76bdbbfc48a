// The real message boxes behind the seam, and Qt's own texts in Spanish.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCoreApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include "ui/message_presenter.h"
#include "ui/support/ui_support.h"

namespace {

using namespace petitora;
using uitest::ModalScript;

struct Seen {
    std::string title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    std::vector<std::string> buttons;
};

// Shows request through QtMessagePresenter and presses the button whose
// text is press; returns the answer and what the box looked like.
MessageAnswer ShowAndPress(const MessageRequest& request, const std::string& press, Seen* seen) {
    ModalScript script;
    script.Then<QMessageBox>([&](QMessageBox* box) {
        seen->title = box->windowTitle().toStdString();
        seen->text = box->text().toStdString();
        seen->icon = box->icon();
        QAbstractButton* target = nullptr;
        for (QAbstractButton* b : box->buttons()) {
            seen->buttons.push_back(b->text().toStdString());
            if (b->text().toStdString() == press) target = b;
        }
        uitest::Picture(box, "message-" + std::to_string(seen->buttons.size()));
        if (target) {
            QTest::mouseClick(target, Qt::LeftButton);
        } else {
            QTest::keyClick(box, Qt::Key_Escape);
        }
    });
    QtMessagePresenter presenter;
    const MessageAnswer answer = presenter.Show(request);
    EXPECT_TRUE(script.Done());
    return answer;
}

TEST(QtMessagePresenter, ShowsCaptionTextIconAndSpanishButtons) {
    MessageRequest error;
    error.caption = "Error";
    error.text = "Error, la clave de confirmaci\xF3n es invalida.";  // Windows-1252
    Seen seen;
    EXPECT_EQ(ShowAndPress(error, "Aceptar", &seen), MessageAnswer::Ok);
    EXPECT_EQ(seen.title, "Error");
    EXPECT_EQ(seen.text, "Error, la clave de confirmaci\u00f3n es invalida.");
    EXPECT_EQ(seen.icon, QMessageBox::NoIcon);
    EXPECT_EQ(seen.buttons, std::vector<std::string>{"Aceptar"});

    MessageRequest question;
    question.caption = "Petitora";
    question.text = "Aviso\nEst\xE1n correctos los datos ?";
    question.buttons = MessageButtons::YesNo;
    question.icon = MessageIcon::Question;
    for (const auto& [press, answer] :
         {std::pair{"S\u00ed", MessageAnswer::Yes}, std::pair{"No", MessageAnswer::No},
          std::pair{"", MessageAnswer::No}}) {  // Escape
        Seen asked;
        EXPECT_EQ(ShowAndPress(question, press, &asked), answer) << press;
        EXPECT_EQ(asked.icon, QMessageBox::Question);
        EXPECT_EQ(asked.text, "Aviso\nEst\u00e1n correctos los datos ?");
        EXPECT_EQ(asked.buttons, (std::vector<std::string>{"S\u00ed", "No"}));
    }

    MessageRequest help;
    help.caption = "Petitora";
    help.text = "Ayuda";
    help.icon = MessageIcon::Information;
    Seen informed;
    ShowAndPress(help, "Aceptar", &informed);
    EXPECT_EQ(informed.icon, QMessageBox::Information);
}

// The program loads Qt's Spanish translation at start-up (the test programs
// start the same way): Qt's own texts come out in Spanish.
TEST(QtMessagePresenter, QtsOwnTextsAreInSpanish) {
    EXPECT_EQ(QCoreApplication::translate("QFileSystemModel", "Name").toStdString(), "Nombre");
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel").toStdString(), "Cancelar");
}

}  // namespace
