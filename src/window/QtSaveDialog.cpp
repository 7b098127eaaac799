#include "window/QtSaveDialog.h"

#include <QFile>
#include <QFileDialog>

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

void QtSaveDialog::ShowSave() {
    QFileDialog dialog(parent_, "Save As");
    dialog.setObjectName("CommonDialog1");
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (!nameFilters_.isEmpty()) {
        dialog.setNameFilters(nameFilters_);
        if (filterIndex_ >= 1 && filterIndex_ <= nameFilters_.size()) dialog.selectNameFilter(nameFilters_[filterIndex_ - 1]);
    }
    if (!fileName_.isEmpty()) dialog.selectFile(fileName_);

    ArrowWhileAsking arrow;
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        if (cancelError_) throw RuntimeError(errCancel);
        return;
    }
    fileName_ = dialog.selectedFiles().first();
}

std::string QtSaveDialog::FileName() { return QFile::encodeName(fileName_).toStdString(); }
