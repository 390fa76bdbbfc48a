// The window-system side of a generation run: input blocked while the work runs.
#include <gtest/gtest.h>

#include <QInputMethodEvent>
#include <QLineEdit>
#include <QTest>

#include "ui/generation_host.h"
#include "ui/support/ui_support.h"

namespace {

using namespace petitora;

// Typing, clicks, text from an input method and close requests all stop at
// the blocker while it exists; afterwards the box takes input again.
TEST(InputBlocker, DropsEveryKindOfInputUntilItGoes) {
    QLineEdit box;
    box.show();
    box.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&box));
    box.setFocus();
    {
        InputBlocker blocker;
        QTest::keyClicks(&box, "abc");
        QTest::mouseDClick(&box, Qt::LeftButton);
        QInputMethodEvent composed;
        composed.setCommitString(QStringLiteral("xyz"));
        QApplication::sendEvent(&box, &composed);
        EXPECT_EQ(box.text().toStdString(), "");
        box.close();
        EXPECT_TRUE(box.isVisible());
    }
    QTest::keyClicks(&box, "ok");
    EXPECT_EQ(box.text().toStdString(), "ok");
}

}  // namespace
