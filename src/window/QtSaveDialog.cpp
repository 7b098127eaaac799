#include "window/QtSaveDialog.h"

#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLineEdit>
#include <QtGui/private/qguiapplication_p.h>
#include <qpa/qplatformtheme.h>

#include "tables/RuntimeError.h"
#include "window/BusyCursor.h"
#include "window/SaveAsDialog.h"

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
// Qt's own choice between the desktop's dialog and its own widgets; only the platform
// theme, a private part of Qt, tells it.
bool desktopDialogShown() {
    if (QCoreApplication::testAttribute(Qt::AA_DontUseNativeDialogs)) return false;
    const QPlatformTheme* theme = QGuiApplicationPrivate::platformTheme();
    return theme && theme->usePlatformNativeDialog(QPlatformTheme::FileDialog);
}

// Qt falls back on its own widgets when the desktop's dialog cannot be made after all, and
// reads double quotes in a typed name there as a list of names ("a" "b"), saving under a
// piece of it. A shapefile has one name: the text as it was typed.
QString chosenName(const QFileDialog& dialog) {
    const auto* typed = dialog.findChild<QLineEdit*>("fileNameEdit");
    if (typed && typed->text().contains('"')) return dialog.directory().absoluteFilePath(typed->text());
    return dialog.selectedFiles().value(0);
}
}  // namespace

void QtSaveDialog::ShowSave() {
    ArrowWhileAsking arrow;
    const std::string chosen = desktopDialogShown() ? showNative() : showOwn();
    if (chosen.empty()) {
        if (cancelError_) throw RuntimeError(errCancel);
        return;
    }
    fileName_ = chosen;
}

std::string QtSaveDialog::showNative() {
    QFileDialog dialog(parent_, "Save As");
    dialog.setObjectName("CommonDialog1");
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (!nameFilters_.isEmpty()) {
        dialog.setNameFilters(nameFilters_);
        if (filterIndex_ >= 1 && filterIndex_ <= nameFilters_.size()) dialog.selectNameFilter(nameFilters_[filterIndex_ - 1]);
    }
    if (!fileName_.empty()) dialog.selectFile(QDir::fromNativeSeparators(QString::fromStdString(fileName_)));
    if (dialog.exec() != QDialog::Accepted) return "";
    return QDir::toNativeSeparators(chosenName(dialog)).toStdString();
}

std::string QtSaveDialog::showOwn() {
    // The folder and name chosen last time, else the current folder.
    std::string folder = platform_->CurrentFolder();
    QString name;
    if (const size_t end = fileName_.rfind(platform_->Separator()); end != std::string::npos) {
        folder = platform_->Clean(fileName_.substr(0, end + 1));
        name = QString::fromStdString(fileName_.substr(end + 1));
    }
    if (folder.empty()) folder = platform_->Roots().front();
    const int filter = filterIndex_ >= 1 && filterIndex_ <= nameFilters_.size() ? filterIndex_ - 1 : 0;
    SaveAsDialog dialog(parent_, platform_, nameFilters_, filter, folder, name);
    return dialog.exec() == QDialog::Accepted ? dialog.chosen() : "";
}
