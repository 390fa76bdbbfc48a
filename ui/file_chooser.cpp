#include "ui/file_chooser.h"

namespace petitora {

void PrepareFileChooser(QFileDialog& chooser, const QString& directory, const QStringList& filters,
                        UiText acceptLabel) {
    chooser.setOption(QFileDialog::DontUseNativeDialog, true);
    chooser.setNameFilters(filters);
    chooser.setDirectory(directory);
    chooser.setLabelText(QFileDialog::Accept, UiString(acceptLabel));
    chooser.setLabelText(QFileDialog::Reject, UiString(UiText::ChooserCancel));
    chooser.setLabelText(QFileDialog::FileName, UiString(UiText::ChooserFileName));
    chooser.setLabelText(QFileDialog::FileType, UiString(UiText::ChooserFileType));
    chooser.setLabelText(QFileDialog::LookIn, UiString(UiText::ChooserLookIn));
}

}  // namespace petitora
