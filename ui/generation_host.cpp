#include "ui/generation_host.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QThread>
#include <memory>

#include "ui/entropy_dialog.h"
#include "ui/key_options_dialog.h"

namespace petitora {

void QtGenerationHost::ShowWaitNotice() {
    dialog_.ShowWaitNotice();
}

bool QtGenerationHost::CollectEntropy(EntropyCollection& collection) {
    EntropyDialog entropy(&dialog_, collection);
    return entropy.exec() == QDialog::Accepted;
}

void QtGenerationHost::RunWork(const std::function<void()>& work) {
    InputBlocker blocker;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const std::unique_ptr<QThread> worker(QThread::create([&work] { work(); }));
    AwaitWorker(*worker, work);
    QApplication::restoreOverrideCursor();
}

void AwaitWorker(QThread& worker, const std::function<void()>& work) {
    QEventLoop loop;
    // finished is emitted on the worker thread: the quit arrives as an event
    // of this loop, so it cannot be lost before exec() starts.
    QObject::connect(&worker, &QThread::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    worker.start();
    // A thread that could not be created is neither running nor finished,
    // and would never report its end.
    if (!worker.isRunning() && !worker.isFinished()) {
        work();
        return;
    }
    loop.exec();
    worker.wait();
}

InputBlocker::InputBlocker() {
    qApp->installEventFilter(this);
}

InputBlocker::~InputBlocker() {
    qApp->removeEventFilter(this);
}

bool InputBlocker::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::InputMethod:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TabletPress:
        case QEvent::TabletMove:
        case QEvent::TabletRelease:
        case QEvent::ContextMenu:
        case QEvent::Drop:
            return true;
        case QEvent::Close:
            event->ignore();
            return true;
        default:
            return QObject::eventFilter(watched, event);
    }
}

}  // namespace petitora
