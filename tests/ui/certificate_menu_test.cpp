// The main window's menus driven from the keyboard, as a person would: each
// menu path, "Verificar certificado..." through to a .pfx among them, and
// Escape closing the window after every one.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <QTreeView>
#include <functional>

#include "generation/file_system.h"
#include "support/sample_files.h"
#include "support/temp_folder.h"
#include "support/x509_certificates.h"
#include "ui/about_dialog.h"
#include "ui/capture_dialog.h"
#include "ui/main_window.h"
#include "ui/pfx_password_dialog.h"
#include "ui/support/ui_support.h"
#include "ui/verification_result_dialog.h"
#include "ui/verify_password_dialog.h"

namespace {

using namespace petitora;
using uitest::Find;
using uitest::ModalScript;
using uitest::TypeInto;

// Picks path in an open chooser, as typing its name and pressing the accept
// button does; checks first that the four columns show whole, headers and
// the folder's rows, side by side in the view.
void Choose(QFileDialog* chooser, const std::string& path) {
    auto* view = chooser->findChild<QTreeView*>(QStringLiteral("treeView"));
    ASSERT_NE(view, nullptr);
    chooser->setDirectory(QFileInfo(QString::fromStdString(path)).absolutePath());
    const QAbstractItemModel* model = view->model();
    // The save-as chooser lists no .pfx yet: its rows stay empty.
    const bool listed = QTest::qWaitFor([&] { return model->rowCount(view->rootIndex()) > 0; }, 1000);
    EXPECT_EQ(listed, chooser->acceptMode() == QFileDialog::AcceptOpen);
    QTest::qWait(50);  // the loaded folder's columns fitted
    const QFontMetrics metrics(view->font());
    int total = 0;
    for (int column = 0; column < 4; ++column) {
        const int width = view->columnWidth(column);
        total += width;
        EXPECT_GE(width, view->header()->sectionSizeHint(column)) << "header " << column;
        for (int row = 0; row < model->rowCount(view->rootIndex()); ++row) {
            const QString shown = model->index(row, column, view->rootIndex()).data().toString();
            EXPECT_GT(width, metrics.horizontalAdvance(shown) + (column == 0 ? view->iconSize().width() : 0))
                << shown.toStdString();
        }
    }
    EXPECT_LE(total, view->viewport()->width()) << chooser->width() << "x" << chooser->height();
    uitest::Picture(chooser, chooser->acceptMode() == QFileDialog::AcceptOpen ? "choose-certificate" : "save-pfx");
    chooser->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(QString::fromStdString(path));
    static_cast<QDialog*>(chooser)->accept();
}

TEST(MenuPaths, EveryMenuPathLeavesEscapeClosingTheWindow) {
    testsupport::TempFolder folder("petitora-menus");
    const dertest::KeyPair& key = dertest::TestKey(1024);
    dertest::SampleSlots sample;
    const std::string password = "Contrase\xF1" "a 2026";
    const std::string request = dertest::RequestBytes(key, 111, sample);
    folder.Write("pexj.req", request);
    folder.Write("pexj.key", dertest::KeyFileBytes(key, 105, password));
    const testsupport::Authority authority = testsupport::MakeAuthority("Autoridad de prueba", 2048);
    const testsupport::Bytes certificate =
        testsupport::IssueCertificate(testsupport::Bytes(request.begin(), request.end()), authority);
    folder.Write("pexj.cer", std::string(certificate.begin(), certificate.end()));
    const std::string pfx = folder.Path("pexj.pfx");
    // Where Qt's chooser would keep its visited folders.
    const QFileInfo qtSettings(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                               "/QtProject.conf");
    const QDateTime settingsBefore = qtSettings.lastModified();

    uitest::ScriptedMessages messages;
    SystemFileSystem files;
    MainWindow window{DialogServices{messages, files}};
    // Alt+menu letter, then the entry's letter; the script acts on what opens.
    struct Path {
        char menu, entry;
        std::function<void(ModalScript&)> script;
    };
    std::vector<std::string> rows;
    bool offered = false;
    const std::vector<Path> paths = {
        {'T', 'F', [](ModalScript& s) {
             s.Then<CaptureDialog>([](CaptureDialog* c) { QTest::keyClick(c, Qt::Key_Escape); });
         }},
        {'U', 'A', [](ModalScript& s) {
             s.Then<AboutDialog>([](AboutDialog* a) { QTest::keyClick(a, Qt::Key_Escape); });
         }},
        {'V', 'A', [](ModalScript& s) {
             s.Then<QFileDialog>([](QFileDialog* c) { static_cast<QDialog*>(c)->reject(); });
         }},
        {'V', 'C', [&](ModalScript& s) {
             s.Then<QFileDialog>([&](QFileDialog* c) { Choose(c, folder.Path("pexj.cer")); })
                 .Then<VerifyPasswordDialog>([&](VerifyPasswordDialog* ask) {
                     EXPECT_EQ(Find<QLineEdit>(ask, "keyPath")->text().toStdString(), folder.Path("pexj.key"));
                     EXPECT_EQ(Find<QLineEdit>(ask, "requestPath")->text().toStdString(), folder.Path("pexj.req"));
                     uitest::ExpectAccessibleNames(ask);
                     uitest::Picture(ask, "verify-certificate-ask");
                     TypeInto(ask, "password", "Contrase\u00f1a 2026");
                     QTest::mouseClick(Find<QPushButton>(ask, "verifyButton"), Qt::LeftButton);
                 })
                 .Then<VerificationResultDialog>([&](VerificationResultDialog* result) {
                     uitest::ExpectAccessibleNames(result);
                     uitest::Picture(result, "verify-certificate-result");
                     for (int row = 0; auto* mark = result->findChild<QLabel*>(QStringLiteral("checkMark%1").arg(row)); ++row) {
                         rows.push_back(mark->text().toStdString());
                     }
                     auto* save = Find<QPushButton>(result, "savePfxButton");
                     offered = save->isVisible();
                     if (offered) QTest::mouseClick(save, Qt::LeftButton);
                     QTest::keyClick(result, Qt::Key_Escape);
                 })
                 .Then<QFileDialog>([&](QFileDialog* c) {
                     EXPECT_EQ(c->acceptMode(), QFileDialog::AcceptSave);
                     EXPECT_FALSE(c->testOption(QFileDialog::DontConfirmOverwrite));
                     Choose(c, pfx);
                 })
                 .Then<PfxPasswordDialog>([&](PfxPasswordDialog* ask) {
                     uitest::ExpectAccessibleNames(ask);
                     uitest::Picture(ask, "pfx-password");
                     TypeInto(ask, "password", "Nueva clave 2026");
                     TypeInto(ask, "confirmation", "Nueva clave 2026");
                     QTest::mouseClick(Find<QPushButton>(ask, "saveButton"), Qt::LeftButton);
                 });
         }},
    };
    for (const Path& path : paths) {
        SCOPED_TRACE(std::string("Alt+") + path.menu + " " + path.entry);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        ModalScript script;
        path.script(script);
        QTest::keyClick(&window, Qt::Key_Alt);  // Alt pressed and let go: the menu bar takes the keys
        QTest::keyClick(QApplication::focusWidget(), path.menu);
        QWidget* menu = QApplication::activePopupWidget();
        ASSERT_NE(menu, nullptr);
        QTest::keyClick(menu, path.entry);
        EXPECT_TRUE(script.Done()) << "steps run: " << script.StepsRun();
        // Back in the window, as the window system gives it back after a dialog.
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        QTest::keyClick(QApplication::focusWidget() != nullptr ? QApplication::focusWidget() : &window,
                        Qt::Key_Escape);
        EXPECT_FALSE(window.isVisible());
    }
    EXPECT_EQ(rows, std::vector<std::string>(5, "Correcto"));
    EXPECT_TRUE(offered);
    EXPECT_EQ(QFileInfo(qtSettings.filePath()).lastModified(), settingsBefore) << "the choosers kept settings";
    struct stat info {};
    ASSERT_EQ(::stat(pfx.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_EQ(messages.LastText(), "Se guard\u00f3 la llave privada con el certificado en " + pfx + ".");
}

}  // namespace
