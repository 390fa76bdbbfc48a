// The window-system side of a generation run: input blocked while the work
// runs, and the work always run, on a worker thread or, failing one, here.
#include <gtest/gtest.h>

#include <QInputMethodEvent>
#include <QLineEdit>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <memory>

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

// A thread the system refuses to start does not leave the program waiting
// for it for ever: the work runs here instead.
TEST(AwaitWorker, RunsTheWorkHereWhenNoThreadCanStart) {
    std::atomic<int> runs = 0;
    const std::function<void()> work = [&] { ++runs; };
    std::unique_ptr<QThread> worker(QThread::create(work));
    worker->setStackSize(1);  // below the system's minimum: the thread cannot start
    bool rescued = false;
    QTimer rescue;  // without the fallback, start the thread properly after a second
    rescue.setSingleShot(true);
    QObject::connect(&rescue, &QTimer::timeout, [&] {
        rescued = true;
        worker->setStackSize(0);
        worker->start();
    });
    rescue.start(1000);
    AwaitWorker(*worker, work);
    EXPECT_FALSE(rescued);
    EXPECT_EQ(runs, 1);

    // A thread that starts runs the work there, once.
    runs = 0;
    std::unique_ptr<QThread> normal(QThread::create(work));
    AwaitWorker(*normal, work);
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(normal->isFinished());
}

}  // namespace
