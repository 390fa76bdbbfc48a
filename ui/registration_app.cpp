#include "ui/registration_app.h"

#include <QApplication>
#include <QStyleFactory>

#include "ui/app_resources.h"
#include "ui/file_chooser.h"
#include "ui/main_window.h"
#include "version.h"

namespace petitora {

void PrepareApplication(QApplication& app) {
    InitResources();
    QApplication::setApplicationName(QStringLiteral("Petitora"));
    QApplication::setApplicationVersion(QStringLiteral(PETITORA_VERSION));
    // Lets the desktop match the windows to the menu entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(PETITORA_APP_ID));
    // The same raised, three-dimensional controls on every desktop.
    if (QStyle* style = QStyleFactory::create(QStringLiteral("Fusion"))) {
        QApplication::setStyle(style);
    }
    QApplication::setWindowIcon(ApplicationIcon());
    InstallSpanishTranslation(app);
    KeepNoChooserSettings();
}

RegistrationApp::RegistrationApp(QApplication& app) : app_(app) {
    PrepareApplication(app_);
}

int RegistrationApp::Run() {
    MainWindow window(DialogServices{messages_, files_});
    window.show();
    return app_.exec();
}

}  // namespace petitora
