// The program's file choosers: Qt's own chooser rather than the desktop's,
// so that it reads in Spanish on every desktop and leaves the current
// directory alone, labelled from the program's texts.
#pragma once

#include <QFileDialog>
#include <QString>

#include "ui/program_texts.h"

namespace petitora {

// Sets up chooser to start in directory with filter (selected) and the
// all-files entry, and acceptLabel on its accept button.
void PrepareFileChooser(QFileDialog& chooser, const QString& directory, UiText filter,
                        UiText acceptLabel);

}  // namespace petitora
