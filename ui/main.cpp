#include <QApplication>

#include "generation/core_dumps.h"
#include "ui/registration_app.h"

int main(int argc, char** argv) {
    petitora::DisableCoreDumps();
    QApplication app(argc, argv);
    petitora::RegistrationApp registration(app);
    return registration.Run();
}
