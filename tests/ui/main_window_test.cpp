// The main window and the about box, driven as a user would.
#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>

#include "generation/file_system.h"
#include "ui/about_dialog.h"
#include "ui/capture_dialog.h"
#include "ui/main_window.h"
#include "ui/support/ui_support.h"

namespace {

using namespace petitora;
using uitest::Find;
using uitest::ModalScript;
using uitest::U;

struct MainWindowTest : testing::Test {
    uitest::ScriptedMessages messages;
    SystemFileSystem files;
    MainWindow window{DialogServices{messages, files}};

    void SetUp() override {
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
};

TEST_F(MainWindowTest, TitlePictureAndMenusOfTheSevenKinds) {
    EXPECT_EQ(window.windowTitle().toStdString(), "Petitora (genera requerimentos)");
    auto* picture = Find<QLabel>(&window, "picture");
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->pixmap().size(), QSize(512, 282));
    EXPECT_FALSE(window.windowIcon().isNull());
    EXPECT_FALSE(window.windowIcon().pixmap(16, 16).isNull());
    EXPECT_FALSE(window.windowIcon().pixmap(32, 32).isNull());

    const QList<QAction*> menus = window.menuBar()->actions();
    ASSERT_EQ(menus.size(), 3);
    EXPECT_EQ(menus[0]->text().toStdString(), "&Tipo de Usuario");
    EXPECT_EQ(menus[1]->text().toStdString(), "&Verificar");
    EXPECT_EQ(menus[2]->text().toStdString(), "Ay&uda");
    const char* const entries[][2] = {
        {"Persona &Física", "Captura los datos de una Persona Física"},
        {"Persona &Moral", "Captura los datos de una Persona Moral"},
        {"&C.P.R.", "Captura los datos de un Contador Publico Registrado"},
        {"&Agente Aduanal", "Captura los datos de un Agente Aduanal"},
        {"Man&datario", "Captura los datos de un Mandatario"},
        {"A&poderado Aduanal", "Captura los datos de un Apoderado Aduanal"},
        {"&Banco", "Captura los datos de un Banco"},
    };
    const QList<QAction*> kinds = menus[0]->menu()->actions();
    ASSERT_EQ(kinds.size(), 7);
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(kinds[i]->text().toStdString(), entries[i][0]);
        EXPECT_EQ(kinds[i]->statusTip().toStdString(), entries[i][1]);
    }
    ASSERT_EQ(menus[1]->menu()->actions().size(), 2);
    EXPECT_EQ(menus[1]->menu()->actions()[0]->text().toStdString(), "Verificar &archivos...");
    EXPECT_EQ(menus[1]->menu()->actions()[1]->text().toStdString(), "Verificar &certificado...");
    ASSERT_EQ(menus[2]->menu()->actions().size(), 1);
    EXPECT_EQ(menus[2]->menu()->actions()[0]->text().toStdString(), "&Acerca del Petitora...");
    uitest::Picture(&window, "main-window");
}

// Each entry opens the capture of its own kind; closing it with "Salir"
// brings the window back, ready for the next command.
TEST_F(MainWindowTest, EveryEntryOpensTheCaptureOfItsKind) {
    const QList<QAction*> kinds = window.menuBar()->actions()[0]->menu()->actions();
    for (int code = 0; code < kUserTypeCount; ++code) {
        UserType opened = static_cast<UserType>(-1);
        std::string title;
        ModalScript script;
        script.Then<CaptureDialog>([&](CaptureDialog* capture) {
            opened = capture->Kind();
            title = capture->windowTitle().toStdString();
            QTest::mouseClick(Find<QPushButton>(capture, "exitButton"), Qt::LeftButton);
        });
        kinds[code]->trigger();
        EXPECT_TRUE(script.Done());
        EXPECT_EQ(static_cast<int>(opened), code);
        EXPECT_EQ(title, U(WindowTitle(static_cast<UserType>(code))));
    }
    EXPECT_TRUE(window.isVisible());
}

TEST_F(MainWindowTest, AboutBoxShowsItsLinesAndClosesWithAceptarOrEscape) {
    for (bool useEscape : {false, true}) {
        std::string title, version, library, button;
        ModalScript script;
        script.Then<AboutDialog>([&](AboutDialog* about) {
            title = about->windowTitle().toStdString();
            version = Find<QLabel>(about, "versionLine")->text().toStdString();
            library = Find<QLabel>(about, "libraryLine")->text().toStdString();
            auto* accept = Find<QPushButton>(about, "acceptButton");
            button = accept->text().toStdString();
            EXPECT_TRUE(accept->isDefault());
            uitest::Picture(about, "about");
            if (useEscape) {
                QTest::keyClick(about, Qt::Key_Escape);
            } else {
                QTest::mouseClick(accept, Qt::LeftButton);
            }
        });
        window.findChild<QAction*>(QStringLiteral("aboutAction"))->trigger();
        EXPECT_TRUE(script.Done());
        EXPECT_EQ(title, "Acerca del Petitora");
        EXPECT_EQ(version, "Petitora Versi\u00f3n 1.0  ");
        EXPECT_EQ(library, "Cerrojo 2.5.1");
        EXPECT_EQ(button, "Aceptar");
    }
}

TEST_F(MainWindowTest, EscapeAndEnterCloseTheWindow) {
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_FALSE(window.isVisible());
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QTest::keyClick(&window, Qt::Key_Return);
    EXPECT_FALSE(window.isVisible());
}

}  // namespace
