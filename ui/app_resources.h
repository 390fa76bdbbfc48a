// The program's embedded artwork and the Spanish translation of Qt's own texts.
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

#include "verification/verification.h"

class QCoreApplication;

namespace petitora {

// Registers the embedded resources; safe to call more than once.
void InitResources();

// The Petitora emblem in every size it is drawn in (16 to 256 pixels).
QIcon ApplicationIcon();

// The main window's picture, 512 x 282.
QPixmap MainPicture();

// Pictograms of the key-options and random-number dialogs.
QPixmap KeyPictogram();
QPixmap MousePictogram();

// The mark beside a check of the verification: a tick, a cross or a dash on
// a coloured disc (24 and 48 pixels).
QIcon CheckMarkIcon(CheckState state);

// Installs Qt's Spanish translation (Debian: qt6-translations-l10n) on app,
// so that Qt's own buttons and choosers read in Spanish, and sets the
// Spanish (Mexico) locale. Returns false, after a note on standard error,
// when the translation cannot be found; the program then still labels its
// message boxes and its save-as chooser in Spanish itself.
bool InstallSpanishTranslation(QCoreApplication& app);

}  // namespace petitora
