#include "ui/file_chooser.h"

#include <algorithm>

#include <QComboBox>
#include <QDateTime>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QListView>
#include <QLocale>
#include <QSettings>
#include <QTreeView>

#include "ui/text_boundary.h"

namespace petitora {
namespace {

constexpr int kChooserHeight = 480;

// Qt sizes the detail columns for English samples ("128.88 GB",
// "10/29/81 02:02PM") and opens the chooser at about 606x412: in Spanish the
// header "Última modificación" and sizes such as "658 bytes" come out cut.
// Each column is made as wide as its header and a long value of its kind,
// widened again to what the folder shows once it is read, and the chooser
// opens wide enough for all four. Nothing is remembered.
void FitColumns(QFileDialog& chooser) {
    auto* view = chooser.findChild<QTreeView*>(QStringLiteral("treeView"));
    if (view == nullptr) return;
    QHeaderView* header = view->header();
    const QFontMetrics metrics(view->font());
    const QLocale locale = chooser.locale();
    const QString samples[] = {
        QStringLiteral("PEXJ800101AB1 LOMM750505XY2.req"),
        locale.formattedDataSize(999'990'000) + QStringLiteral(" ") + locale.formattedDataSize(999),
        QStringLiteral("Carpeta de archivos"),
        locale.toString(QDateTime(QDate(2026, 12, 31), QTime(23, 59, 59)), QLocale::ShortFormat) +
            QStringLiteral(" AM"),
    };
    const int padding = 4 * metrics.averageCharWidth() + view->iconSize().width();
    int total = 0;
    for (int column = 0; column < 4; ++column) {
        const int width = std::max(header->sectionSizeHint(column),
                                   metrics.horizontalAdvance(samples[column]) + padding);
        header->resizeSection(column, width);
        total += width;
    }
    if (auto* model = chooser.findChild<QFileSystemModel*>()) {
        QObject::connect(model, &QFileSystemModel::directoryLoaded, view, [view] {
            for (int column = 0; column < 4; ++column) {
                const int before = view->columnWidth(column);
                view->resizeColumnToContents(column);
                if (view->columnWidth(column) < before) view->setColumnWidth(column, before);
            }
        });
    }
    int sidebar = 0;
    if (auto* places = chooser.findChild<QListView*>(QStringLiteral("sidebar"))) {
        sidebar = places->sizeHint().width();
    }
    chooser.resize(std::max(chooser.width(), total + sidebar + 12 * metrics.averageCharWidth()),
                   std::max(chooser.height(), kChooserHeight));
}

}  // namespace

void KeepNoChooserSettings() {
    // A file under /dev/null can be neither read nor created.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("/dev/null"));
}

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
    FitColumns(chooser);
}

}  // namespace petitora
