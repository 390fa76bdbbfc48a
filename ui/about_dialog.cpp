#include "ui/about_dialog.h"

#include "ui/app_resources.h"
#include "ui_about_dialog.h"

namespace petitora {

AboutDialog::AboutDialog(QWidget* owner)
    : QDialog(owner), ui_(std::make_unique<Ui::AboutDialog>()) {
    ui_->setupUi(this);
    ui_->icon->setPixmap(ApplicationIcon().pixmap(32, 32));
}

AboutDialog::~AboutDialog() = default;

}  // namespace petitora
