#include "ui/entropy_dialog.h"

#include <QKeyEvent>
#include <QMouseEvent>

#include "ui/app_resources.h"
#include "ui_entropy_dialog.h"

namespace petitora {
namespace {

// Where the dialog goes, and its size, when it collects more than 1,024 events.
constexpr QPoint kLargePosition(110, 350);
constexpr QSize kLargeSize(580, 215);

}  // namespace

EntropyDialog::EntropyDialog(QWidget* owner, EntropyCollection& collection)
    : QDialog(owner), ui_(std::make_unique<Ui::EntropyDialog>()), collection_(collection) {
    ui_->setupUi(this);
    ui_->icon->setPixmap(MousePictogram());
    // Movements without a pressed button reach a widget only when it tracks
    // the mouse: every part of the dialog does, and hands them to the dialog.
    setMouseTracking(true);
    for (QWidget* child : findChildren<QWidget*>()) {
        child->setMouseTracking(true);
        child->installEventFilter(this);
    }
    SetUp();
}

EntropyDialog::~EntropyDialog() = default;

void EntropyDialog::SetUp() {
    if (collection_.UsesLargeGeometry()) {
        move(kLargePosition);
        resize(kLargeSize);
        repaint();
    }
    ui_->progress->setRange(0, collection_.ProgressMaximum());
    ui_->progress->setValue(0);
}

void EntropyDialog::CountMove(QPoint position) {
    if (done_) return;
    const bool complete = collection_.OnMouseMove(position.x(), position.y());
    if (collection_.ProgressChanged()) ui_->progress->setValue(collection_.ProgressPosition());
    if (complete) {
        done_ = true;
        accept();
    }
}

void EntropyDialog::mouseMoveEvent(QMouseEvent* event) {
    CountMove(event->position().toPoint());
    QDialog::mouseMoveEvent(event);
}

bool EntropyDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseMove && watched->isWidgetType()) {
        auto* child = static_cast<QWidget*>(watched);
        const auto* move = static_cast<QMouseEvent*>(event);
        CountMove(child->mapTo(this, move->position().toPoint()));
        return true;  // counted here; it must not reach the dialog a second time
    }
    return QDialog::eventFilter(watched, event);
}

void EntropyDialog::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            SetUp();
            done_ = true;
            accept();
            return;
        default:
            QDialog::keyPressEvent(event);  // Escape cancels
    }
}

}  // namespace petitora
