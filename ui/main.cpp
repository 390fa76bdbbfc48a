#include <QApplication>

#include "ui/registration_app.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    petitora::RegistrationApp registration(app);
    return registration.Run();
}
