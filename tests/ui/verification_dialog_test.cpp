// "Verificar archivos..." from the main window, driven as a user would: the
// request chooser, the proposed key file and the password box, and the
// result dialog's rows for a good pair and for each way a check fails; the
// files are only read.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QAction>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <functional>
#include <map>
#include <set>

#include "generation/file_system.h"
#include "generation/generation_support.h"
#include "support/sample_files.h"
#include "verification/verification.h"
#include "verification/verification_texts.h"
#include "ui/app_resources.h"
#include "ui/main_window.h"
#include "ui/support/ui_support.h"
#include "ui/verification_result_dialog.h"
#include "ui/verify_password_dialog.h"

namespace {

using namespace petitora;
using uitest::Find;
using uitest::ModalScript;
using uitest::TypeInto;
using uitest::U;

// Typed as UTF-8; the key file holds it encrypted as Windows-1252 bytes.
const std::string kPassword = "Contrase\u00f1a 2026";
const std::string kPasswordCp1252 =
    "Contrase\xF1"
    "a 2026";

// What the result dialog showed.
struct Shown {
    std::string summary, requestPath, keyPath;
    std::vector<std::string> marks, texts;  // one per check row
    std::vector<CheckState> icons;          // which mark each row's pictogram is
    std::map<std::string, std::string> contents;
    bool contentsVisible = false;
};

// The check state whose pictogram label shows.
CheckState IconOf(const QLabel* icon) {
    const QImage shown = icon->pixmap().toImage();
    for (CheckState state : {CheckState::Passed, CheckState::Failed, CheckState::NotRun}) {
        if (CheckMarkIcon(state).pixmap(shown.size()).toImage() == shown) return state;
    }
    ADD_FAILURE() << "row pictogram is none of the marks";
    return CheckState::NotRun;
}

// The widget of a dialog row: prefix followed by the row number.
template <typename W>
W* RowWidget(QWidget* dialog, const char* prefix, int row) {
    const QByteArray name = QByteArray(prefix) + QByteArray::number(row);
    return dialog->findChild<W*>(QString::fromLatin1(name));
}

Shown Read(VerificationResultDialog* dialog) {
    Shown shown;
    shown.summary = Find<QLabel>(dialog, "summary")->text().toStdString();
    shown.requestPath = Find<QLineEdit>(dialog, "requestPath")->text().toStdString();
    shown.keyPath = Find<QLineEdit>(dialog, "keyPath")->text().toStdString();
    for (int row = 0;; ++row) {
        auto* text = RowWidget<QLabel>(dialog, "checkText", row);
        auto* mark = RowWidget<QLabel>(dialog, "checkMark", row);
        auto* icon = RowWidget<QLabel>(dialog, "checkIcon", row);
        if (text == nullptr || mark == nullptr || icon == nullptr) break;
        shown.texts.push_back(text->text().toStdString());
        shown.marks.push_back(mark->text().toStdString());
        shown.icons.push_back(IconOf(icon));
    }
    for (int row = 0;; ++row) {
        auto* value = RowWidget<QLineEdit>(dialog, "contentValue", row);
        auto* label = RowWidget<QLabel>(dialog, "contentLabel", row);
        if (value == nullptr || label == nullptr) break;
        shown.contents[label->text().toStdString()] = value->text().toStdString();
    }
    shown.contentsVisible = Find<QGroupBox>(dialog, "contentsGroup")->isVisible();
    return shown;
}

std::string OnScreen(VerifyText id) {
    return U(Text(id));
}

// Size, bytes and modification time: what "not changed" means for a file.
struct FileState {
    std::string bytes;
    long long seconds = 0, nanoseconds = 0;
    bool operator==(const FileState&) const = default;
};

FileState StateOf(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return {gentest::ReadBytes(path), info.st_mtim.tv_sec, info.st_mtim.tv_nsec};
}

struct VerifyFromMenu : testing::Test {
    gentest::ScratchFolder folder;
    uitest::ScriptedMessages messages;
    SystemFileSystem files;
    std::unique_ptr<MainWindow> window;
    std::string requestPath, keyPath;

    void SetUp() override {
        std::filesystem::current_path(folder.Path());
        const dertest::KeyPair& key = dertest::TestKey(1024);
        dertest::SampleSlots sample;
        requestPath = folder / "PEXJ800101AB1.req";
        keyPath = folder / "PEXJ800101AB1.key";
        gentest::WriteBytes(requestPath,
                            dertest::RequestBytes(key, cerrojo::kAlgSha1WithRsa, sample));
        gentest::WriteBytes(
            keyPath, dertest::KeyFileBytes(key, cerrojo::kAlgPbeWithMd5AndDesCbc, kPasswordCp1252));
        window = std::make_unique<MainWindow>(DialogServices{messages, files});
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }

    // Chooses request in the chooser, lets fill act on the password dialog
    // (it types, changes the key box...), presses "&Verificar" and reads the
    // result dialog, saving a picture of it when named.
    Shown Verify(const std::string& request, const std::function<void(VerifyPasswordDialog*)>& fill,
                 const std::string& picture = "") {
        Shown shown;
        ModalScript script;
        script
            .Then<QFileDialog>([&](QFileDialog* chooser) {
                chooser->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))
                    ->setText(QString::fromStdString(request));
                static_cast<QDialog*>(chooser)->accept();  // as the Open button does
            })
            .Then<VerifyPasswordDialog>([&](VerifyPasswordDialog* ask) {
                fill(ask);
                QTest::mouseClick(Find<QPushButton>(ask, "verifyButton"), Qt::LeftButton);
            })
            .Then<VerificationResultDialog>([&](VerificationResultDialog* result) {
                shown = Read(result);
                uitest::ExpectAccessibleNames(result);
                if (!picture.empty()) uitest::Picture(result, picture);
                QTest::mouseClick(Find<QPushButton>(result, "acceptButton"), Qt::LeftButton);
            });
        window->findChild<QAction*>(QStringLiteral("verifyFilesAction"))->trigger();
        EXPECT_TRUE(script.Done()) << "steps run: " << script.StepsRun();
        EXPECT_TRUE(messages.shown.empty()) << messages.LastText();
        return shown;
    }
};

// The good pair: three rows marked passed, in words and pictograms, then what
// the request holds; the files and the folder are as they were.
TEST_F(VerifyFromMenu, GoodPairShowsEveryCheckPassedAndTheContents) {
    const FileState request = StateOf(requestPath), key = StateOf(keyPath);
    const std::set<std::string> before = folder.List();
    std::string proposed;
    const Shown shown = Verify(
        requestPath,
        [&](VerifyPasswordDialog* ask) {
            proposed = Find<QLineEdit>(ask, "keyPath")->text().toStdString();
            TypeInto(ask, "password", kPassword);
        },
        "verify-result-passed");

    EXPECT_EQ(proposed, keyPath);
    EXPECT_EQ(shown.requestPath, requestPath);
    EXPECT_EQ(shown.keyPath, keyPath);
    EXPECT_EQ(shown.summary,
              "Todas las revisiones son correctas: la solicitud es v\u00e1lida, la clave de "
              "acceso abre la llave privada y la llave corresponde a la solicitud.");
    EXPECT_EQ(shown.marks, std::vector<std::string>(3, "Correcto"));
    EXPECT_EQ(shown.icons, std::vector<CheckState>(3, CheckState::Passed));
    EXPECT_EQ(shown.texts,
              (std::vector<std::string>{
                  "La solicitud de certificado (.req) est\u00e1 bien formada y su firma "
                  "(sha1WithRSAEncryption) es v\u00e1lida.",
                  OnScreen(VerifyText::KeyOk), OnScreen(VerifyText::PairOk)}));
    const std::map<std::string, std::string> contents = {
        {"RFC:", "PEXJ800101AB1"},
        {"RFC del representante legal:", "LOMM750505XY2"},
        {"Raz\u00f3n social:", "CER\u00c1MICA DEL BAJ\u00cdO SA DE CV"},
        {"Nombre:", "JOS\u00c9  N\u00da\u00d1EZ  P\u00c9REZ \\ MAR\u00cdA  L\u00d3PEZ"},
        {"CURP:", "PEXJ800101HDFRRN09"},
        {"Correo electr\u00f3nico:", "jose.nunez@ejemplo.com.mx"},
        {"Entidad federativa:", "EDO. DE M\u00c9XICO"},
        {"Tama\u00f1o de la llave:", "1024 bits"},
        {"Algoritmo de firma:", "sha1WithRSAEncryption"},
    };
    EXPECT_EQ(shown.contents, contents);
    EXPECT_TRUE(shown.contentsVisible);

    EXPECT_TRUE(StateOf(requestPath) == request);
    EXPECT_TRUE(StateOf(keyPath) == key);
    EXPECT_EQ(folder.List(), before);
}

// Each way of failing is its own row, marked failed in words and pictogram;
// the pair check is then marked not made. Nothing on disk changes.
TEST_F(VerifyFromMenu, FailuresAreRowsOfTheDialog) {
    const dertest::KeyPair& other = dertest::TestKey(2048);
    gentest::WriteBytes(
        folder / "otro.key",
        dertest::KeyFileBytes(other, cerrojo::kAlgPbeWithMd2AndDesCbc, kPasswordCp1252));
    std::string damaged = gentest::ReadBytes(requestPath);
    damaged.resize(damaged.size() / 2);
    gentest::WriteBytes(folder / "corto.req", damaged);
    std::filesystem::create_directory(folder / "carpeta.key");
    const std::set<std::string> before = folder.List();
    const FileState request = StateOf(requestPath), key = StateOf(keyPath);

    struct Case {
        const char* name;
        std::string request, key, password;
        std::vector<CheckState> states;
        std::string failure;  // the text of the first row that failed
    } cases[] = {
        {"wrong password",
         requestPath,
         keyPath,
         "otra clave",
         {CheckState::Passed, CheckState::Failed, CheckState::NotRun},
         OnScreen(VerifyText::KeyWrongPassword)},
        {"key of another pair",
         requestPath,
         folder / "otro.key",
         kPassword,
         {CheckState::Passed, CheckState::Passed, CheckState::Failed},
         OnScreen(VerifyText::PairMismatch)},
        {"damaged request",
         folder / "corto.req",
         keyPath,
         kPassword,
         {CheckState::Failed, CheckState::Passed, CheckState::NotRun},
         OnScreen(VerifyText::RequestDamaged)},
        {"folder as key",
         requestPath,
         folder / "carpeta.key",
         kPassword,
         {CheckState::Passed, CheckState::Failed, CheckState::NotRun},
         U(Format(Text(VerifyText::NotRegularFile), {Text(VerifyText::KeyFile)}))},
    };
    const std::map<CheckState, std::string> words = {{CheckState::Passed, "Correcto"},
                                                     {CheckState::Failed, "Falla"},
                                                     {CheckState::NotRun, "No revisado"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const bool first = &c == &cases[0];
        const Shown shown = Verify(
            c.request,
            [&](VerifyPasswordDialog* ask) {
                auto* keyBox = Find<QLineEdit>(ask, "keyPath");
                keyBox->setText(QString::fromStdString(c.key));
                TypeInto(ask, "password", c.password);
            },
            first ? "verify-result-failed" : "");
        EXPECT_EQ(
            shown.summary,
            "Al menos una revisi\u00f3n no es correcta: el motivo est\u00e1 en su l\u00ednea.");
        EXPECT_EQ(shown.icons, c.states);
        ASSERT_EQ(shown.marks.size(), c.states.size());
        for (std::size_t i = 0; i < c.states.size(); ++i) {
            EXPECT_EQ(shown.marks[i], words.at(c.states[i])) << i;
            if (c.states[i] == CheckState::Failed) {
                EXPECT_EQ(shown.texts[i], c.failure);
                break;
            }
        }
        EXPECT_EQ(shown.contentsVisible, c.states[0] == CheckState::Passed);
    }
    EXPECT_TRUE(StateOf(requestPath) == request);
    EXPECT_TRUE(StateOf(keyPath) == key);
    EXPECT_EQ(folder.List(), before);
}

// An emptied key box checks the request alone: the password box is off and
// the result says the key was not checked.
TEST_F(VerifyFromMenu, WithoutAKeyOnlyTheRequestIsChecked) {
    bool passwordEnabled = true;
    const Shown shown = Verify(requestPath, [&](VerifyPasswordDialog* ask) {
        Find<QLineEdit>(ask, "keyPath")->clear();
        passwordEnabled = Find<QLineEdit>(ask, "password")->isEnabled();
    });
    EXPECT_FALSE(passwordEnabled);
    EXPECT_EQ(shown.marks, std::vector<std::string>{"Correcto"});
    EXPECT_EQ(shown.keyPath, "ninguno (no se revisa la llave privada)");
    EXPECT_EQ(shown.summary, "La solicitud es correcta. La llave privada no se revis\u00f3.");
    EXPECT_EQ(shown.contents.at("RFC:"), "PEXJ800101AB1");
}

// The two choosers: Spanish, the program's filters, the request's folder;
// the key chosen lands in the key box. Cancelling the password box ends the
// command without a result.
TEST_F(VerifyFromMenu, ChoosersAndThePasswordBox) {
    std::filesystem::create_directory(folder / "otra");
    const std::string elsewhere = folder / "otra/llave.key";
    gentest::WriteBytes(elsewhere, gentest::ReadBytes(keyPath));
    std::filesystem::current_path(folder / "otra");  // the request chooser starts here

    std::string title, accept, filter, directory, keyFilter, keySelected, keyBox;
    ModalScript script;
    script
        .Then<QFileDialog>([&](QFileDialog* chooser) {
            title = chooser->windowTitle().toStdString();
            accept = chooser->labelText(QFileDialog::Accept).toStdString();
            filter = chooser->selectedNameFilter().toStdString();
            directory = chooser->directory().absolutePath().toStdString();
            uitest::Picture(chooser, "verify-choose-request");
            chooser->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))
                ->setText(QString::fromStdString(requestPath));
            static_cast<QDialog*>(chooser)->accept();  // as the Open button does
        })
        .Then<VerifyPasswordDialog>([&](VerifyPasswordDialog* ask) {
            auto* password = Find<QLineEdit>(ask, "password");
            EXPECT_EQ(password->echoMode(), QLineEdit::Password);
            EXPECT_TRUE(password->hasFocus());
            TypeInto(ask, "password", std::string(300, 'x'));
            EXPECT_EQ(password->text().size(), 255);
            password->clear();
            TypeInto(ask, "password", "clave\u4e2d\u00f1");  // no Windows-1252 byte: refused
            EXPECT_EQ(password->text().toStdString(), "clave\u00f1");
            uitest::ExpectAccessibleNames(ask);
            uitest::Picture(ask, "verify-password");
            QTest::mouseClick(Find<QPushButton>(ask, "browseKeyButton"), Qt::LeftButton);
            keyBox = Find<QLineEdit>(ask, "keyPath")->text().toStdString();
            QTest::mouseClick(Find<QPushButton>(ask, "cancelButton"), Qt::LeftButton);
        })
        .Then<QFileDialog>([&](QFileDialog* chooser) {
            keyFilter = chooser->selectedNameFilter().toStdString();
            keySelected = chooser->selectedFiles().value(0).toStdString();
            chooser->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))
                ->setText(QString::fromStdString(elsewhere));
            static_cast<QDialog*>(chooser)->accept();  // as the Open button does
        });
    window->findChild<QAction*>(QStringLiteral("verifyFilesAction"))->trigger();
    ASSERT_TRUE(script.Done()) << "steps run: " << script.StepsRun();
    EXPECT_EQ(title, "Elija el archivo de requerimiento (*.req) que desea verificar");
    EXPECT_EQ(accept, "Abrir");
    EXPECT_EQ(filter, "Archivos Req (*.req)");
    EXPECT_EQ(directory, folder / "otra");
    EXPECT_EQ(keyFilter, "Archivos Key (*.key)");
    EXPECT_EQ(keySelected, keyPath);
    EXPECT_EQ(keyBox, elsewhere);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);  // no result after "Cancelar"
}

}  // namespace
