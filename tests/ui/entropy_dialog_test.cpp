// The random-number dialog: mouse movements through the platform, over the
// dialog and over its children, feed the pool; the bar, the placement, and
// the three ways it ends.
#include <gtest/gtest.h>

#include <QLabel>
#include <QProgressBar>
#include <QTest>
#include <cstring>

#include "crypto/random.h"
#include "ui/entropy_dialog.h"
#include "ui/support/ui_support.h"

namespace {

using namespace petitora;
using uitest::Find;
using uitest::MoveMouse;

struct Entropy {
    cerrojo::RandomPool pool{};
    EntropyCollection collection;
    EntropyDialog dialog;
    explicit Entropy(std::uint32_t required)
        : collection((cerrojo::RandomInit(&pool), &pool), required), dialog(nullptr, collection) {
        pool.needed = required;
        dialog.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    }
    QProgressBar* Bar() { return Find<QProgressBar>(&dialog, "progress"); }
};

TEST(EntropyDialog, BarFillsAndTheDialogClosesItselfAtTheCount) {
    Entropy e(1024);
    EXPECT_EQ(e.dialog.windowTitle().toStdString(), "Generaci\u00f3n de n\u00fameros aleatorios");
    EXPECT_EQ(e.Bar()->maximum(), 102);
    EXPECT_EQ(e.Bar()->value(), 0);
    EXPECT_FALSE(e.Bar()->accessibleName().isEmpty());
    uitest::Picture(&e.dialog, "entropy-1024");
    EXPECT_EQ(MoveMouse(&e.dialog, 9), 9);
    EXPECT_EQ(e.Bar()->value(), 0);
    MoveMouse(&e.dialog, 1);
    EXPECT_EQ(e.Bar()->value(), 1);
    MoveMouse(&e.dialog, 1010);
    EXPECT_EQ(e.Bar()->value(), 102);
    EXPECT_TRUE(e.dialog.isVisible());
    EXPECT_EQ(MoveMouse(&e.dialog, 100), 4);  // closes at the 1,024th
    EXPECT_EQ(e.dialog.result(), QDialog::Accepted);
    EXPECT_EQ(e.collection.EventCount(), 1024u);
    EXPECT_EQ(e.pool.needed, 0u);
}

// Movements over the texts and the bar count too, with the position taken in
// the dialog's own coordinates: the pool ends as one fed the same values.
TEST(EntropyDialog, MovesOverChildrenCountInDialogCoordinates) {
    Entropy e(1024);
    cerrojo::RandomPool expected{};
    cerrojo::RandomInit(&expected);
    expected.needed = 1024;
    std::uint32_t count = 0;
    for (const char* name : {"mouseNotice", "progress", "icon"}) {
        auto* child = Find<QWidget>(&e.dialog, name);
        for (int i = 0; i < 3; ++i) {
            const QPoint local(2 + i, 3);
            const QPoint inDialog = child->mapTo(&e.dialog, local);
            QTest::mouseMove(e.dialog.windowHandle(), inDialog);
            // eventCount + 1000 x + y, four bytes little-endian.
            const std::uint32_t v = count++ + 1000u * static_cast<std::uint32_t>(inDialog.x()) +
                                    static_cast<std::uint32_t>(inDialog.y());
            const std::uint8_t bytes[4] = {
                static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
            cerrojo::RandomUpdate(&expected, bytes, 4);
        }
    }
    EXPECT_EQ(e.collection.EventCount(), 9u);
    EXPECT_EQ(std::memcmp(e.pool.seed, expected.seed, sizeof expected.seed), 0);
    EXPECT_EQ(e.pool.needed, expected.needed);
}

TEST(EntropyDialog, LargerKeysMoveAndEnlargeTheDialog) {
    Entropy e(2048);
    EXPECT_EQ(e.dialog.pos(), QPoint(110, 350));
    EXPECT_EQ(e.dialog.size(), QSize(580, 215));
    EXPECT_EQ(e.Bar()->maximum(), 204);
    uitest::Picture(&e.dialog, "entropy-2048");
}

TEST(EntropyDialog, EscapeCancelsAndEnterAcceptsEarlyWithAnEmptyBar) {
    {
        Entropy e(1024);
        MoveMouse(&e.dialog, 300);
        QTest::keyClick(&e.dialog, Qt::Key_Escape);
        EXPECT_FALSE(e.dialog.isVisible());
        EXPECT_EQ(e.dialog.result(), QDialog::Rejected);
    }
    {
        Entropy e(1024);
        MoveMouse(&e.dialog, 300);
        EXPECT_EQ(e.Bar()->value(), 30);
        QTest::keyClick(&e.dialog, Qt::Key_Return);
        EXPECT_FALSE(e.dialog.isVisible());
        EXPECT_EQ(e.dialog.result(), QDialog::Accepted);
        EXPECT_EQ(e.Bar()->value(), 0);
        EXPECT_EQ(e.collection.EventCount(), 300u);
    }
}

}  // namespace
