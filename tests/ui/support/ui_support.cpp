#include "ui/support/ui_support.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QDir>
#include <QImage>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

namespace uitest {

using namespace petitora;

ModalScript::ModalScript() {
    connect(&timer_, &QTimer::timeout, this, &ModalScript::Poll);
    timer_.start(5);
}

void ModalScript::Poll() {
    if (Done()) return;
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || modal == last_ || !modal->isVisible()) return;
    if (!steps_[next_].matches(modal)) return;
    last_ = modal;
    auto act = steps_[next_++].act;
    QTimer::singleShot(0, modal, [act, modal] { act(modal); });
}

void TypeInto(QWidget* root, const char* name, const std::string& utf8) {
    auto* box = Find<QWidget>(root, name);
    if (box == nullptr) return;
    box->setFocus(Qt::MouseFocusReason);
    // One key per character, carrying its text, as a keyboard of any layout
    // delivers it (QTest::keyClicks knows only ASCII keys).
    for (const QChar ch : QString::fromStdString(utf8)) {
        const auto key = static_cast<Qt::Key>(ch.toUpper().unicode());
        QTest::sendKeyEvent(QTest::Press, box, key, QString(ch), Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, box, key, QString(ch), Qt::NoModifier);
    }
}

std::string FocusName() {
    QWidget* focus = QApplication::focusWidget();
    return focus ? focus->objectName().toStdString() : std::string();
}

void ClickTab(QWidget* captureDialog, int index) {
    auto* tabs = Find<QTabWidget>(captureDialog, "tabs");
    if (tabs == nullptr) return;
    QTabBar* bar = tabs->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(index).center());
}

void FillCapture(QWidget* captureDialog, const RegistrantRecord& record) {
    const FieldInfo* table = FieldTable();
    for (int page = 0; page < kPageCount; ++page) {
        if (page > 0) ClickTab(captureDialog, page);
        for (int i = 0; i < kFieldCount - 1; ++i) {
            const FieldInfo& info = table[i];
            if (info.page != page) continue;
            if (info.field == Field::StateIndex) {
                auto* list = Find<QComboBox>(captureDialog, info.name);
                if (list) list->setCurrentIndex(record.stateIndex);
                continue;
            }
            const std::string* text = FieldText(record, info.field);
            if (info.field == Field::RegionalOffice) {
                auto* list = Find<QComboBox>(captureDialog, info.name);
                if (list) list->setCurrentIndex(list->findText(QString::fromStdString(U(*text))));
                continue;
            }
            if (text != nullptr && !text->empty()) TypeInto(captureDialog, info.name, U(*text));
        }
    }
}

int MoveMouse(QWidget* window, int times, int firstX, int firstY) {
    QPointer<QWidget> target = window;
    // Consecutive positions always differ, also from one call to the next, or
    // the platform drops the move as no movement at all.
    static int step = 0;
    int moves = 0;
    for (; moves < times && target && target->isVisible(); ++moves, ++step) {
        const int x = firstX + (step * 7) % 200;
        const int y = firstY + (step * 3) % 60 + (step % 2);
        QTest::mouseMove(target->windowHandle(), QPoint(x, y));
    }
    return moves;
}

void ExpectAccessibleNames(QWidget* root) {
    for (QWidget* w : root->findChildren<QWidget*>()) {
        if (!qobject_cast<QLineEdit*>(w) && !qobject_cast<QComboBox*>(w) &&
            !qobject_cast<QAbstractButton*>(w)) {
            continue;
        }
        if (w->parentWidget() && qobject_cast<QComboBox*>(w->parentWidget())) continue;
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(w);
        ASSERT_NE(accessible, nullptr);
        EXPECT_FALSE(accessible->text(QAccessible::Name).trimmed().isEmpty())
            << w->metaObject()->className() << " " << w->objectName().toStdString();
    }
}

void Picture(QWidget* widget, const std::string& name) {
    QDir().mkpath(QStringLiteral(PETITORA_UI_PICTURES_DIR));
    const QPixmap pixmap = widget->grab();
    const QImage image = pixmap.toImage();
    // Something was drawn: more than one colour in the picture.
    bool varied = false;
    for (int y = 0; y < image.height() && !varied; y += 3) {
        for (int x = 0; x < image.width() && !varied; x += 3) {
            varied = image.pixel(x, y) != image.pixel(0, 0);
        }
    }
    EXPECT_TRUE(varied) << name << " is blank";
    const QString path =
        QStringLiteral(PETITORA_UI_PICTURES_DIR "/%1.png").arg(QString::fromStdString(name));
    EXPECT_TRUE(pixmap.save(path)) << path.toStdString();
}

}  // namespace uitest
