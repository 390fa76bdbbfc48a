// Entry point of every desktop test program: a QApplication on the offscreen
// platform (unless the environment chooses another), prepared as the program
// prepares itself, then the GoogleTest cases.
#include <gtest/gtest.h>

#include <QApplication>

#include "ui/registration_app.h"

namespace {

// The offscreen platform reports, for every window, a feature it lacks.
void QuietHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.contains(QLatin1String("does not support propagateSizeHints"))) return;
    qt_message_output(type, context, message);
}

}  // namespace

int main(int argc, char** argv) {
    qInstallMessageHandler(QuietHandler);
    testing::InitGoogleTest(&argc, argv);
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    petitora::PrepareApplication(app);
    return RUN_ALL_TESTS();
}
