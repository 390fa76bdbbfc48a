#include "ui/file_chooser.h"

#include <QComboBox>

namespace petitora {

void PrepareFileChooser(QFileDialog& chooser, const QString& directory, const QStringList& filters,
                        UiText acceptLabel) {
    chooser.setOption(QFileDialog::DontUseNativeDialog, true);
    // Qt takes "*.*" for names with a dot only, and in a save-as chooser it
    // would turn the name's extension into "*" when that entry is picked; so
    // the all-files entry matches "*" while it keeps its own text in the list.
    const QString allFiles = UiString(UiText::AllFilesFilter);
    QStringList matched = filters;
    for (QString& filter : matched) {
        if (filter == allFiles) filter = UiString(UiText::AllFilesPattern);
    }
    chooser.setNameFilters(matched);
    if (auto* types = chooser.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"))) {
        for (int i = 0; i < filters.size() && i < types->count(); ++i) {
            if (filters[i] == allFiles) types->setItemText(i, allFiles);
        }
    }
    chooser.setDirectory(directory);
    chooser.setLabelText(QFileDialog::Accept, UiString(acceptLabel));
    chooser.setLabelText(QFileDialog::Reject, UiString(UiText::ChooserCancel));
    chooser.setLabelText(QFileDialog::FileName, UiString(UiText::ChooserFileName));
    chooser.setLabelText(QFileDialog::FileType, UiString(UiText::ChooserFileType));
    chooser.setLabelText(QFileDialog::LookIn, UiString(UiText::ChooserLookIn));
}

}  // namespace petitora
