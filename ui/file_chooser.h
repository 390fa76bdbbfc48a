// The program's file choosers: Qt's own chooser rather than the desktop's,
// so that it reads in Spanish on every desktop and leaves the current
// directory alone, labelled from the program's texts.
#pragma once

#include <QFileDialog>
#include <QString>

#include "ui/program_texts.h"

namespace petitora {

// Qt's chooser writes the folders it visited, its column widths and its
// sidebar to the user's settings file (QtProject.conf) when it closes, and
// reads them back when it opens. Called once at start, before any chooser:
// the user's settings of that format are then looked for where no file can
// be, so the choosers read nothing and write nothing (the program keeps no
// settings store).
void KeepNoChooserSettings();

// Sets up chooser to start in directory with filter (selected) and the
// all-files entry, and acceptLabel on its accept button.
void PrepareFileChooser(QFileDialog& chooser, const QString& directory, UiText filter,
                        UiText acceptLabel);

}  // namespace petitora
