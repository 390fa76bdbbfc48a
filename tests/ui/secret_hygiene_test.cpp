// What a whole enrolment leaves in memory: after the files are written and
// the dialogs are gone, the memory the program owned (live and freed heap
// blocks, kept unreused; the stacks; every other private anonymous mapping)
// is searched for the access password, the revocation key and the private
// key, after one enrolment and again after a second one.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSemaphore>
#include <QTest>
#include <QThread>
#include <cstring>
#include <filesystem>

#include "generation/file_system.h"
#include "generation/generation_support.h"
#include "support/memory_scan.h"
#include "support/run_secrets.h"
#include "text/cp1252.h"
#include "ui/capture_dialog.h"
#include "ui/entropy_dialog.h"
#include "ui/key_options_dialog.h"
#include "ui/main_window.h"
#include "ui/support/ui_support.h"

namespace {

using namespace petitora;
using memscan::Place;
using memscan::Secret;
using secretscan::Bytes;
using secretscan::VaultCopy;

// Types bytes (Windows-1252) into a box one key at a time, without ever
// holding more than one of its characters outside the vault.
void TypeSecret(QWidget* root, const char* name, Bytes cp1252) {
    auto* box = uitest::Find<QLineEdit>(root, name);
    if (box == nullptr) return;
    box->setFocus(Qt::MouseFocusReason);
    for (std::size_t i = 0; i < cp1252.length; ++i) {
        const QChar ch(static_cast<char16_t>(Cp1252ToCodePoint(cp1252.data[i])));
        const auto key = static_cast<Qt::Key>(ch.toUpper().unicode());
        QTest::sendKeyEvent(QTest::Press, box, key, QString(ch), Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, box, key, QString(ch), Qt::NoModifier);
    }
}

void Click(QWidget* root, const char* name) {
    QTest::mouseClick(uitest::Find<QPushButton>(root, name), Qt::LeftButton);
}

__attribute__((noinline)) void PlantInFrame(Bytes canary) {
    [[maybe_unused]] volatile std::uint8_t frame[48];
    for (std::size_t i = 0; i < canary.length; ++i) frame[5 + i] = canary.data[i];
}

// Deeper than the scan's own frames will reach.
__attribute__((noinline)) void PlantDeepInTheStack(Bytes canary) {
    volatile std::uint8_t room[64 * 1024];
    room[0] = 1;
    PlantInFrame(canary);
    room[1] = room[0];
}

constexpr char kCanary[] = "canary:7Hq2-Wx9p-Lm4z";

// The scan itself finds a planted copy in each kind of place, and only there.
TEST(SecretHygiene, TheScanFindsCopiesWhereverTheyAre) {
    ASSERT_TRUE(memscan::Tracking());
    memscan::KeepFreedBlocks();
    const Bytes canary = VaultCopy(kCanary, sizeof kCanary - 1);
    const std::vector<Secret> secrets = {{"canary", canary.data, canary.length, 8}};

    auto* live = static_cast<std::uint8_t*>(std::malloc(64));
    std::memcpy(live + 7, canary.data + 2, 15);
    auto* freed = static_cast<std::uint8_t*>(std::malloc(40));
    std::memcpy(freed + 16, canary.data, canary.length);
    asm volatile("" : : "r"(freed) : "memory");  // the copy is made, whatever the optimiser sees
    const auto freedAt = reinterpret_cast<std::uintptr_t>(freed);
    std::free(freed);
    PlantDeepInTheStack(canary);
    // A thread that is still running (glibc discards the unused part of an
    // ended thread's stack).
    QSemaphore planted, scanned;
    QThread* thread = QThread::create([&] {
        PlantDeepInTheStack(canary);
        planted.release();
        scanned.acquire();
    });
    thread->start();
    planted.acquire();

    std::multiset<std::string> places;
    for (const memscan::Copy& copy : memscan::FindCopies(secrets)) {
        SCOPED_TRACE(memscan::Describe(copy, secrets));
        places.insert(memscan::PlaceName(copy.place));
        if (copy.place == Place::LiveBlock) {
            EXPECT_EQ(copy.block, reinterpret_cast<std::uintptr_t>(live));
            EXPECT_EQ(copy.first, 2u);
            EXPECT_EQ(copy.last, 17u);
        }
        if (copy.place == Place::FreedBlock) {
            EXPECT_EQ(copy.block, freedAt);
            EXPECT_EQ(copy.address, copy.block + 16);
            EXPECT_EQ(copy.last - copy.first, canary.length);
        }
    }
    EXPECT_EQ(places,
              (std::multiset<std::string>{
                  memscan::PlaceName(Place::LiveBlock), memscan::PlaceName(Place::FreedBlock),
                  memscan::PlaceName(Place::DeadStack), memscan::PlaceName(Place::ThreadStack)}));
    scanned.release();
    thread->wait();
    delete thread;
    std::memset(live, 0, 64);
    std::free(live);
}

// One enrolment through the real dialogs from the idle main window (the key
// pair made on their worker thread); the secrets are typed from the vault.
void Enrol(MainWindow& window, const uitest::ScriptedMessages& messages, UserType kind,
           Bytes password, Bytes revocationKey) {
    RegistrantRecord registrant = gentest::Registrant(kind);
    registrant.revocationKey.clear();  // typed below, never held outside the vault
    uitest::ModalScript script;
    script
        .Then<CaptureDialog>([&](CaptureDialog* capture) {
            TypeSecret(capture, "revocationKey", revocationKey);
            uitest::FillCapture(capture, registrant);
            Click(capture, "continueButton");
        })
        .Then<KeyOptionsDialog>([&](KeyOptionsDialog* keys) {
            TypeSecret(keys, "password", password);
            TypeSecret(keys, "passwordConfirmation", password);
            Click(keys, "acceptButton");
        })
        .Then<EntropyDialog>([](EntropyDialog* entropy) { uitest::MoveMouse(entropy, 2000); });
    window.menuBar()->actions()[0]->menu()->actions()[static_cast<int>(kind)]->trigger();
    ASSERT_TRUE(script.Done()) << messages.LastText();
    ASSERT_EQ(messages.LastText(),
              "Ahora ya cuenta con un requerimiento de registro. Proceda a registrarlo con un "
              "agente registrador.");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

// Neither run's password or revocation key in any encoding (Qt's UTF-16
// included: the dialogs overwrite the boxes' storage) nor its key, anywhere:
// at the idle main window after one enrolment, and after a second one.
TEST(SecretHygiene, NoSecretOfAnEnrolmentOutlivesItsDialogs) {
    ASSERT_TRUE(memscan::Tracking());
    static constexpr char kPassword2[] =
        "\xC1"
        "b3$Xy0\xF6-Rk2tG\xDFq9Wn%e\xEA"
        "4Jm7sH\xD3u1Zv\xF2";
    static constexpr char kRevocationKey2[] = "\xD8t6Ys@1\xE2h3Nz!8\xC7oP5c\xAA";
    const Bytes passwords[] = {VaultCopy(secretscan::kPassword, sizeof secretscan::kPassword - 1),
                               VaultCopy(kPassword2, sizeof kPassword2 - 1)};
    const Bytes revocationKeys[] = {
        VaultCopy(secretscan::kRevocationKey, sizeof secretscan::kRevocationKey - 1),
        VaultCopy(kRevocationKey2, sizeof kRevocationKey2 - 1)};
    const UserType kinds[] = {UserType::PersonaFisica, UserType::PersonaMoral};
    const char* keyFiles[] = {"PELJ800101AB1.key", "ACM800101AB1.key"};

    gentest::ScratchFolder folder;
    std::filesystem::current_path(folder.Path());
    memscan::KeepFreedBlocks();
    secretscan::RunSecrets secrets;
    uitest::ScriptedMessages messages;
    SystemFileSystem files;
    auto window = std::make_unique<MainWindow>(DialogServices{messages, files});
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE("after enrolment " + std::to_string(run + 1));
        Enrol(*window, messages, kinds[run], passwords[run], revocationKeys[run]);
        ASSERT_FALSE(HasFatalFailure());
        secrets.AddText("password " + std::to_string(run + 1), passwords[run]);
        secrets.AddText("revocation key " + std::to_string(run + 1), revocationKeys[run]);
        secrets.AddKeyFile(folder / keyFiles[run], passwords[run]);
        ASSERT_FALSE(HasFatalFailure());
        const std::vector<memscan::Copy> copies = memscan::FindCopies(secrets.List());
        EXPECT_TRUE(memscan::TrackerComplete()) << "more blocks than the tracker holds";
        EXPECT_EQ(secrets.Describe(copies, 0, secrets.List().size()), std::vector<std::string>{});
    }
}

}  // namespace
