// The key-options dialog over a valid capture: its controls, the password
// and folder checks reaching their boxes, the help box and the save-as chooser.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <set>

#include "capture/rules.h"
#include "generation/file_system.h"
#include "generation/generation_support.h"
#include "ui/key_options_dialog.h"
#include "ui/support/ui_support.h"

namespace {

using namespace petitora;
using uitest::Find;
using uitest::FocusName;
using uitest::ModalScript;
using uitest::TypeInto;

struct KeyOptions : testing::Test {
    gentest::ScratchFolder folder;
    uitest::ScriptedMessages messages;
    SystemFileSystem files;
    CaptureStorage capture;
    std::unique_ptr<KeyOptionsDialog> dialog;

    void SetUp() override {
        std::filesystem::current_path(folder.Path());
        capture.registrant = gentest::Registrant(UserType::PersonaFisica);
        ASSERT_TRUE(AcceptCapture(capture.registrant).valid);
        capture.workingDirectory = folder.Path();
        dialog =
            std::make_unique<KeyOptionsDialog>(nullptr, capture, DialogServices{messages, files});
        dialog->show();
        dialog->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    }
    QLineEdit* Box(const char* name) { return Find<QLineEdit>(dialog.get(), name); }
    void Click(const char* name) {
        QTest::mouseClick(Find<QPushButton>(dialog.get(), name), Qt::LeftButton);
    }
    void Passwords(const std::string& password, const std::string& confirmation) {
        Box("password")->clear();
        Box("passwordConfirmation")->clear();
        TypeInto(dialog.get(), "password", password);
        TypeInto(dialog.get(), "passwordConfirmation", confirmation);
    }
    // The folder the save-as chooser opens in (it is then cancelled).
    std::string ChooserFolder() {
        std::string opened;
        ModalScript script;
        script.Then<QFileDialog>([&](QFileDialog* chooser) {
            opened = chooser->directory().absolutePath().toStdString();
            static_cast<QDialog*>(chooser)->reject();
        });
        Click("browseButton");
        EXPECT_TRUE(script.Done());
        return opened;
    }
};

TEST_F(KeyOptions, OpensWithItsControlsAndLimits) {
    EXPECT_EQ(dialog->windowTitle().toStdString(),
              "Generador de Requerimientos de Inscripci\u00f3n");
    auto* sizes = Find<QComboBox>(dialog.get(), "keySize");
    ASSERT_EQ(sizes->count(), 3);
    EXPECT_EQ(sizes->currentText().toStdString(), "1024");
    EXPECT_EQ(sizes->itemText(1).toStdString(), "2048");
    EXPECT_EQ(sizes->itemText(2).toStdString(), "4096");
    EXPECT_EQ(Box("pathText")->text().toStdString(), "PELJ800101AB1.req");
    EXPECT_EQ(Box("password")->echoMode(), QLineEdit::Password);
    EXPECT_EQ(Box("passwordConfirmation")->echoMode(), QLineEdit::Password);
    EXPECT_FALSE(Find<QLabel>(dialog.get(), "waitNotice")->isVisible());
    EXPECT_TRUE(Find<QPushButton>(dialog.get(), "acceptButton")->isDefault());
    EXPECT_EQ(Find<QPushButton>(dialog.get(), "returnButton")->text().toStdString(), "&Regresar");
    for (const char* name : {"password", "passwordConfirmation", "pathText"}) {
        TypeInto(dialog.get(), name, std::string(300, 'x'));
        EXPECT_EQ(Box(name)->text().size(), 255) << name;
    }
    Passwords("clave\u4e2d\u00f1", "");  // a character without a Windows-1252 byte is refused
    EXPECT_EQ(Box("password")->text().toStdString(), "clave\u00f1");
    uitest::ExpectAccessibleNames(dialog.get());
    uitest::Picture(dialog.get(), "key-options");
}

// Each password rule shows its message and puts the focus into its box;
// nothing is asked or generated.
TEST_F(KeyOptions, PasswordRulesReachTheirBoxes) {
    struct Case {
        const char *password, *confirmation, *message, *focus;
    } cases[] = {
        {"", "", "Error, la clave de acceso es invalida.", "password"},
        {"12345678", "", "Error, la clave de confirmaci\u00f3n es invalida.",
         "passwordConfirmation"},
        {"1234567", "1234567", "Error, el tama\u00f1o minimo de las claves es de 8 caracteres.",
         "password"},
        {"12345678", "1234567", "Error, el tama\u00f1o minimo de las claves es de 8 caracteres.",
         "passwordConfirmation"},
        {"ClaveSegura", "claveSegura",
         "Error, las claves de acceso y de confirmaci\u00f3n no son iguales.", "password"},
    };
    for (const Case& c : cases) {
        messages.Clear();
        Passwords(c.password, c.confirmation);
        Find<QPushButton>(dialog.get(), "acceptButton")->setFocus();
        Click("acceptButton");
        ASSERT_EQ(messages.shown.size(), 1u) << c.message;
        EXPECT_EQ(messages.shown[0].text, c.message);
        EXPECT_EQ(messages.shown[0].caption, "Error");
        EXPECT_EQ(FocusName(), c.focus) << c.message;
    }
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(folder.List().empty());
}

// A folder that does not exist is reported on leaving the box, and again on
// "&Aceptar"; a relative folder is found from the working directory each time
// (the save-as chooser then opens there); the current directory stays.
TEST_F(KeyOptions, DestinationIsCheckedOnLeavingTheBox) {
    const std::string missing =
        "Error: el nombre de la ruta para almacenar los archivos no existe.";
    Box("pathText")->clear();
    TypeInto(dialog.get(), "pathText", "no-existe/X.req");
    Box("password")->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{missing});
    EXPECT_EQ(messages.shown[0].caption, "Petitora");

    messages.Clear();
    Passwords("ClaveSegura", "ClaveSegura");
    Click("acceptButton");
    ASSERT_FALSE(messages.shown.empty());
    EXPECT_EQ(messages.shown.back().text, missing);
    EXPECT_EQ(FocusName(), "pathText");
    EXPECT_EQ(ChooserFolder(), folder.Path());

    std::filesystem::create_directory(folder / "salida");
    for (int i = 0; i < 2; ++i) {
        messages.Clear();
        Box("pathText")->clear();
        TypeInto(dialog.get(), "pathText", "salida/X.req");
        Box("password")->setFocus(Qt::TabFocusReason);
        EXPECT_TRUE(messages.shown.empty()) << messages.LastText();
        EXPECT_EQ(std::filesystem::current_path(), folder.Path());
    }
    EXPECT_EQ(ChooserFolder(), folder / "salida");
}

TEST_F(KeyOptions, KeySizeHelpIsAnInformationBox) {
    Click("keySizeHelp");
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Information);
    EXPECT_EQ(messages.shown[0].text,
              "Respecto al tama\u00f1o de la llave mientras est\u00e9 valor sea mas grande, las "
              "llaves privada y publica seran m\u00e1s seguras.");
}

// The save-as chooser: Spanish, the request filter, the default name; the
// chosen path lands in the destination box; the current directory stays.
TEST_F(KeyOptions, SaveAsChooserFillsTheDestination) {
    std::string acceptText, cancelText, filter, selected;
    ModalScript script;
    script.Then<QFileDialog>([&](QFileDialog* chooser) {
        auto* buttons = chooser->findChild<QDialogButtonBox*>();
        acceptText = buttons->button(QDialogButtonBox::Save)
                         ? buttons->button(QDialogButtonBox::Save)->text().toStdString()
                         : buttons->buttons().value(0)->text().toStdString();
        cancelText = buttons->button(QDialogButtonBox::Cancel)->text().toStdString();
        filter = chooser->selectedNameFilter().toStdString();
        selected = chooser->selectedFiles().value(0).toStdString();
        uitest::Picture(chooser, "save-as");
        auto* name = chooser->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        name->setText(QStringLiteral("elegido"));
        static_cast<QDialog*>(chooser)->accept();  // as the Save button does
    });
    Click("browseButton");
    ASSERT_TRUE(script.Done());
    EXPECT_EQ(acceptText, "Guardar");
    EXPECT_EQ(cancelText, "Cancelar");
    EXPECT_EQ(filter, "Archivos Req (*.req)");
    EXPECT_EQ(selected, folder / "PELJ800101AB1.req");
    EXPECT_EQ(Box("pathText")->text().toStdString(), folder / "elegido.req");
    EXPECT_EQ(std::filesystem::current_path(), folder.Path());
}

// "All Files (*.*)" lists every file, with or without a dot, and picking it
// leaves the request's name alone.
TEST_F(KeyOptions, AllFilesEntryListsEveryFileAndKeepsTheName) {
    for (const char* name : {"LEEME", "notas.txt"}) std::ofstream(folder / name) << "x";
    std::string entry, nameAfterPick;
    std::set<std::string> listed;
    ModalScript script;
    script.Then<QFileDialog>([&](QFileDialog* chooser) {
        auto* types = chooser->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        ASSERT_NE(types, nullptr);
        types->setCurrentIndex(1);
        emit types->activated(1);  // what a pick in the list does
        entry = chooser->selectedNameFilter().toStdString();
        nameAfterPick =
            chooser->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->text().toStdString();
        auto* model = chooser->findChild<QFileSystemModel*>();
        const QModelIndex root = model->index(QString::fromStdString(folder.Path()));
        for (int wait = 0; wait < 500 && model->rowCount(root) < 2; ++wait) QTest::qWait(10);
        for (int row = 0; row < model->rowCount(root); ++row) {
            listed.insert(model->fileName(model->index(row, 0, root)).toStdString());
        }
        static_cast<QDialog*>(chooser)->accept();
    });
    Click("browseButton");
    ASSERT_TRUE(script.Done());
    EXPECT_EQ(entry, "All Files (*.*)");
    EXPECT_EQ(nameAfterPick, "PELJ800101AB1.req");
    EXPECT_EQ(listed, (std::set<std::string>{"LEEME", "notas.txt"}));
    EXPECT_EQ(Box("pathText")->text().toStdString(), folder / "PELJ800101AB1.req");
}

// A path chosen in the chooser reaches the box whole, even past the 255
// characters that can be typed, and the files go where it points.
TEST_F(KeyOptions, ALongChosenPathIsKeptWhole) {
    const std::filesystem::path deep = folder / std::string(240, 'c');
    std::filesystem::create_directory(deep);
    const std::string chosen = deep / "PELJ800101AB1.req";
    ASSERT_GT(chosen.size(), 255u);
    ModalScript script;
    script.Then<QFileDialog>([&](QFileDialog* chooser) {
        chooser->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))
            ->setText(QString::fromStdString(chosen));
        static_cast<QDialog*>(chooser)->accept();
    });
    Click("browseButton");
    ASSERT_TRUE(script.Done());
    EXPECT_EQ(Box("pathText")->text().toStdString(), chosen);
    dialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    Box("pathText")->setFocus(Qt::TabFocusReason);
    Box("password")->setFocus(Qt::TabFocusReason);
    EXPECT_TRUE(messages.shown.empty()) << messages.LastText();
    EXPECT_EQ(ChooserFolder(), deep);
    EXPECT_EQ(std::filesystem::current_path(), folder.Path());
}

}  // namespace
