#include "ui/app_resources.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <cstdio>

#include "ui/program_texts.h"
#include "ui/text_boundary.h"

// Outside any namespace, as Qt's resource initialiser requires.
static void InitPetitoraResources() {
    Q_INIT_RESOURCE(petitora);
}

namespace petitora {

void InitResources() {
    InitPetitoraResources();
}

QIcon ApplicationIcon() {
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256}) {
        icon.addFile(QStringLiteral(":/petitora/petitora-%1.png").arg(size), QSize(size, size));
    }
    return icon;
}

QPixmap MainPicture() {
    return QPixmap(QStringLiteral(":/petitora/picture.png"));
}

QPixmap KeyPictogram() {
    return QPixmap(QStringLiteral(":/petitora/key.png"));
}

QPixmap MousePictogram() {
    return QPixmap(QStringLiteral(":/petitora/mouse.png"));
}

QIcon CheckMarkIcon(CheckState state) {
    const QString name = state == CheckState::Passed   ? QStringLiteral("passed")
                         : state == CheckState::Failed ? QStringLiteral("failed")
                                                       : QStringLiteral("not-run");
    QIcon icon;
    for (int size : {24, 48}) {
        icon.addFile(QStringLiteral(":/petitora/mark-%1-%2.png").arg(name).arg(size),
                     QSize(size, size));
    }
    return icon;
}

bool InstallSpanishTranslation(QCoreApplication& app) {
    const QLocale spanish(QLocale::Spanish, QLocale::Mexico);
    QLocale::setDefault(spanish);
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    auto* translator = new QTranslator(&app);
    if (!translator->load(spanish, QStringLiteral("qtbase"), QStringLiteral("_"), folder)) {
        delete translator;
        // Qt puts in the folder, a path that Windows-1252 may not hold.
        const QByteArray note =
            FromCp1252(Text(UiText::TranslationMissing)).arg(folder).toLocal8Bit();
        std::fprintf(stderr, "%s\n", note.constData());
        return false;
    }
    QCoreApplication::installTranslator(translator);
    return true;
}

}  // namespace petitora
