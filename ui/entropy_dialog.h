// "Generación de números aleatorios": counts the mouse movements over the
// dialog, feeding each to the collection (and so to the random pool), shows
// the progress and closes itself with OK when enough have been seen. Escape
// and the close box cancel; Enter accepts early.
#pragma once

#include <QDialog>
#include <memory>

#include "generation/entropy.h"

namespace Ui {
class EntropyDialog;
}

namespace petitora {

class EntropyDialog final : public QDialog {
    Q_OBJECT
  public:
    // collection outlives the dialog.
    EntropyDialog(QWidget* owner, EntropyCollection& collection);
    ~EntropyDialog() override;

  protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // Movements over any child (texts, bar, frame) count as movements over
    // the dialog.
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // Placement (moved and enlarged for more than 1,024 events) and an empty bar.
    void SetUp();
    void CountMove(QPoint position);

    std::unique_ptr<Ui::EntropyDialog> ui_;
    EntropyCollection& collection_;
    bool done_ = false;
};

}  // namespace petitora
