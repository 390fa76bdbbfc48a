// Whole enrolments through the real windows: from the menu command to the
// two files, read back by OpenSSL; the ways back that keep the data; and the
// windows repainting while the keys are generated.
#include <gtest/gtest.h>

#include <QAction>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "generation/file_system.h"
#include "generation/generation_support.h"
#include "support/openssl_pair.h"
#include "support/registrants.h"
#include "ui/capture_dialog.h"
#include "ui/entropy_dialog.h"
#include "ui/key_options_dialog.h"
#include "ui/main_window.h"
#include "ui/support/ui_support.h"

namespace {

using namespace petitora;
using gentest::ReadBytes;
using uitest::Find;
using uitest::ModalScript;
using uitest::MoveMouse;
using uitest::TypeInto;
using uitest::U;

const std::string kPassword = "Clave de acceso 2026";
constexpr const char* kSuccess =
    "Ahora ya cuenta con un requerimiento de registro. Proceda a registrarlo con un agente "
    "registrador.";

struct Enrolment : testing::Test {
    gentest::ScratchFolder folder;
    uitest::ScriptedMessages messages;
    SystemFileSystem files;
    std::unique_ptr<MainWindow> window;

    void SetUp() override {
        std::filesystem::current_path(folder.Path());
        window = std::make_unique<MainWindow>(DialogServices{messages, files});
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    void Choose(UserType kind) {
        window->menuBar()->actions()[0]->menu()->actions()[static_cast<int>(kind)]->trigger();
    }
    static void Click(QWidget* root, const char* name) {
        QTest::mouseClick(Find<QPushButton>(root, name), Qt::LeftButton);
    }
    static void Accept(KeyOptionsDialog* keys, int keySize = 0) {
        Find<QComboBox>(keys, "keySize")->setCurrentIndex(keySize);
        TypeInto(keys, "password", kPassword);
        TypeInto(keys, "passwordConfirmation", kPassword);
        Click(keys, "acceptButton");
    }
};

// Every kind, typed in, confirmed and moved for, ends in a request and a key
// file that OpenSSL reads, named after the RFC typed.
TEST_F(Enrolment, EveryKindFromTheMenuToTheTwoFiles) {
    for (int code = 0; code < kUserTypeCount; ++code) {
        const auto kind = static_cast<UserType>(code);
        SCOPED_TRACE(MenuEntry(kind));
        messages.Clear();
        RegistrantRecord record = gentest::Registrant(kind);
        if (kind == UserType::PersonaFisica) {  // with a representative and a CURP
            testsupport::AddRepresentative(record);
            record.curp = "PELJ800101HDFRPN09";
        }
        bool captureClosedWithOk = false;
        ModalScript script;
        script
            .Then<CaptureDialog>([&](CaptureDialog* capture) {
                uitest::FillCapture(capture, record);
                QObject::connect(capture, &QDialog::accepted, [&] { captureClosedWithOk = true; });
                Click(capture, "continueButton");
            })
            .Then<KeyOptionsDialog>([](KeyOptionsDialog* keys) { Accept(keys); })
            .Then<EntropyDialog>([](EntropyDialog* entropy) { MoveMouse(entropy, 2000); });
        Choose(kind);
        ASSERT_TRUE(script.Done())
            << "stopped after step " << script.StepsRun() << ": " << messages.LastText();
        EXPECT_TRUE(captureClosedWithOk);
        ASSERT_GE(messages.shown.size(), 2u);
        EXPECT_EQ(messages.shown.front().icon, MessageIcon::Question);
        EXPECT_EQ(messages.shown.back().text, kSuccess);
        EXPECT_EQ(messages.shown.back().caption, "Petitora");

        CopyEntityRfcLetters(record);
        const std::string rfc = FullRfc(record);
        std::string expectedId = rfc;
        if (!record.repRfcLetters.empty()) expectedId += " \\ " + RepresentativeFullRfc(record);
        std::string uniqueId;
        EXPECT_EQ(testsupport::CheckPair(ReadBytes(folder / (rfc + ".req")),
                                         ReadBytes(folder / (rfc + ".key")), kPassword, &uniqueId),
                  1024);
        EXPECT_EQ(uniqueId, expectedId);
    }
    // The persons share one RFC and the entities another: two pairs of files.
    EXPECT_EQ(folder.List(), (std::set<std::string>{"ACM800101AB1.key", "ACM800101AB1.req",
                                                    "PELJ800101AB1.key", "PELJ800101AB1.req"}));
}

// "&Regresar", No to the question and Escape in the random-number dialog all
// return to the capture with every box as typed and no file written; a new
// capture after "Salir" starts empty.
TEST_F(Enrolment, WaysBackKeepTheDataAndWriteNothing) {
    const RegistrantRecord record = gentest::Registrant(UserType::AgenteAduanal);
    std::vector<std::string> seenAfterEach;
    std::string fresh = "?";
    const auto nameNow = [](CaptureDialog* c) {
        return Find<QLineEdit>(c, "name")->text().toStdString() + "/" +
               Find<QLineEdit>(c, "street")->text().toStdString();
    };
    messages.answers = {MessageAnswer::No, MessageAnswer::Yes};
    ModalScript script;
    script
        .Then<CaptureDialog>([&](CaptureDialog* capture) {
            uitest::FillCapture(capture, record);
            Click(capture, "continueButton");  // 1: "&Regresar"
            seenAfterEach.push_back(nameNow(capture));
            Click(capture, "continueButton");  // 2: No to the question
            seenAfterEach.push_back(nameNow(capture));
            Click(capture, "continueButton");  // 3: Escape while collecting
            seenAfterEach.push_back(nameNow(capture));
            Click(capture, "exitButton");
        })
        .Then<KeyOptionsDialog>([](KeyOptionsDialog* keys) { Click(keys, "returnButton"); })
        .Then<KeyOptionsDialog>([](KeyOptionsDialog* keys) {
            Accept(keys);  // the question is answered No: the dialog stays
            Click(keys, "returnButton");
        })
        .Then<KeyOptionsDialog>([](KeyOptionsDialog* keys) { Accept(keys); })
        .Then<EntropyDialog>([](EntropyDialog* entropy) {
            MoveMouse(entropy, 100);
            QTest::keyClick(entropy, Qt::Key_Escape);
        });
    // The third dialog stays open after the failure; "&Regresar" closes it.
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        auto* keys = qobject_cast<KeyOptionsDialog*>(QApplication::activeModalWidget());
        if (script.Done() && keys) Click(keys, "returnButton");
    });
    closer.start(10);
    Choose(UserType::AgenteAduanal);
    ASSERT_TRUE(script.Done()) << messages.LastText();
    EXPECT_EQ(seenAfterEach, std::vector<std::string>(3, "JUAN/AV. REFORMA"));
    EXPECT_EQ(messages.LastText(),
              "No fue posible generar sus archivos criptogr\u00e1ficos. Ejecute nuevamente el "
              "proceso.");
    EXPECT_TRUE(folder.List().empty());

    ModalScript again;
    again.Then<CaptureDialog>([&](CaptureDialog* capture) {
        fresh = nameNow(capture);
        Click(capture, "exitButton");
    });
    Choose(UserType::AgenteAduanal);
    EXPECT_EQ(fresh, "/");
}

// While a 2,048-bit pair is generated the windows go on painting: the wait
// notice is on screen before the work starts, and paint events keep coming.
// Prints the longest gap between two paints of the key-options dialog.
TEST_F(Enrolment, WindowsRepaintWhileKeysAreGenerated) {
    struct PaintWatch : QObject {
        QElapsedTimer clock;
        qint64 last = -1, longest = 0;
        int paints = 0;
        bool noticeShownAtFirstPaint = false;
        QLabel* notice = nullptr;
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Paint) {
                const qint64 now = clock.elapsed();
                if (last >= 0) longest = std::max(longest, now - last);
                last = now;
                ++paints;
            }
            return false;
        }
    } watch;
    QTimer ticker;  // asks for a repaint every 2 ms, as a busy desktop does
    KeyOptionsDialog* watched = nullptr;
    ModalScript script;
    script
        .Then<CaptureDialog>([&](CaptureDialog* capture) {
            uitest::FillCapture(capture, gentest::Registrant(UserType::PersonaFisica));
            Click(capture, "continueButton");
        })
        .Then<KeyOptionsDialog>([&](KeyOptionsDialog* keys) {
            watched = keys;
            watch.notice = Find<QLabel>(keys, "waitNotice");
            Accept(keys, 1);
        })
        .Then<EntropyDialog>([&](EntropyDialog* entropy) {
            EXPECT_TRUE(watch.notice->isVisible());
            uitest::Picture(watched, "key-options-waiting");
            MoveMouse(entropy, 2048);
            // From here on the key-options dialog is the one that must repaint.
            watch.clock.start();
            watch.last = -1;
            watch.paints = 0;
            watched->installEventFilter(&watch);
            QObject::connect(&ticker, &QTimer::timeout, watched, [watched] { watched->update(); });
            ticker.start(2);
        });
    Choose(UserType::PersonaFisica);
    ticker.stop();
    const qint64 generating = watch.clock.elapsed();
    ASSERT_TRUE(script.Done()) << messages.LastText();
    EXPECT_EQ(messages.LastText(), kSuccess);
    // A lucky draw of primes can end the keys before the first tick; a run
    // long enough for several ticks must have painted.
    if (generating >= 50) {
        EXPECT_GT(watch.paints, 0) << "nothing was painted in " << generating << " ms of generation";
    }
    std::printf("[ measure  ] 2,048-bit run: %d paints, longest gap between paints %lld ms\n",
                watch.paints, static_cast<long long>(watch.longest));
    EXPECT_EQ(testsupport::CheckPair(ReadBytes(folder / "PELJ800101AB1.req"),
                                     ReadBytes(folder / "PELJ800101AB1.key"), kPassword),
              2048);
}

}  // namespace
