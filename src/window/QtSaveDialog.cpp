#include "window/QtSaveDialog.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>

#include "tables/RuntimeError.h"
#include "window/BusyCursor.h"

void QtSaveDialog::SetFilter(const std::string& filter) {
    // "Description|pattern|Description|pattern|" to Qt's "Description (pattern)".
    const QStringList parts = QString::fromStdString(filter).split('|');
    nameFilters_.clear();
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        const QString& description = parts[i];
        const QString& pattern = parts[i + 1];
        nameFilters_ << (description.contains("(" + pattern + ")") ? description : description + " (" + pattern + ")");
    }
}

namespace {
// Qt's own dialog reads double quotes in a typed name as a list of names ("a" "b") and
// would save under a piece of it. A shapefile has one name: the text as it was typed.
QString chosenName(const QFileDialog& dialog) {
    const auto* typed = dialog.findChild<QLineEdit*>("fileNameEdit");
    if (typed && typed->text().contains('"')) return dialog.directory().absoluteFilePath(typed->text());
    return dialog.selectedFiles().value(0);
}
}  // namespace

void QtSaveDialog::ShowSave() {
    QFileDialog dialog(parent_, "Save As");
    dialog.setObjectName("CommonDialog1");
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The desktop's own dialog where the platform offers one (a portal or a platform theme),
    // Qt's own elsewhere.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (!nameFilters_.isEmpty()) {
        dialog.setNameFilters(nameFilters_);
        if (filterIndex_ >= 1 && filterIndex_ <= nameFilters_.size()) dialog.selectNameFilter(nameFilters_[filterIndex_ - 1]);
    }
    if (!fileName_.isEmpty()) dialog.selectFile(fileName_);

    ArrowWhileAsking arrow;
    const QString chosen = dialog.exec() == QDialog::Accepted ? chosenName(dialog) : QString();
    if (chosen.isEmpty()) {
        if (cancelError_) throw RuntimeError(errCancel);
        return;
    }
    fileName_ = chosen;
}

// As the system writes paths: D:\survey\trip.shp on Windows.
std::string QtSaveDialog::FileName() { return QDir::toNativeSeparators(fileName_).toStdString(); }
