#include "ui/file_chooser.h"

#include <QComboBox>

#include "ui/text_boundary.h"

namespace petitora {

void PrepareFileChooser(QFileDialog& chooser, const QString& directory, UiText filter,
                        UiText acceptLabel) {
    const auto text = [](UiText id) { return FromCp1252(Text(id)); };
    chooser.setOption(QFileDialog::DontUseNativeDialog, true);
    // Qt takes "*.*" for names with a dot only, and in a save-as chooser it
    // would turn the name's extension into "*" when that entry is picked; so
    // the all-files entry matches "*" while it keeps its own text in the list.
    chooser.setNameFilters({text(filter), text(UiText::AllFilesPattern)});
    if (auto* types = chooser.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"))) {
        if (types->count() > 1) types->setItemText(1, text(UiText::AllFilesFilter));
    }
    chooser.setDirectory(directory);
    chooser.setLabelText(QFileDialog::Accept, text(acceptLabel));
    chooser.setLabelText(QFileDialog::Reject, text(UiText::ChooserCancel));
    chooser.setLabelText(QFileDialog::FileName, text(UiText::ChooserFileName));
    chooser.setLabelText(QFileDialog::FileType, text(UiText::ChooserFileType));
    chooser.setLabelText(QFileDialog::LookIn, text(UiText::ChooserLookIn));
}

}  // namespace petitora
