#include "window/FileListWidget.h"

#include <QDir>
#include <QFile>

#include "tables/RuntimeError.h"

FileListWidget::FileListWidget(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setUniformItemSizes(true);
    try {
        setPath(QDir::currentPath());
    } catch (const RuntimeError&) {
        // Started in a folder that is gone: the list stays empty until another is opened.
    }
}

void FileListWidget::setPath(const QString& folder) {
    QDir dir(folder);
    if (!dir.exists()) throw RuntimeError(errPathNotFound, "Path not found: " + QFile::encodeName(folder).toStdString());
    path_ = folder;
    clear();
    dir.setNameFilters({"*.jpg"});  // matched without regard to case
    addItems(dir.entryList(QDir::Files, QDir::Name | QDir::IgnoreCase));
}

std::string FileListWidget::List(int index) {
    const QListWidgetItem* entry = item(index);
    if (!entry) throw RuntimeError(errSubscript);
    return QFile::encodeName(entry->text()).toStdString();
}

bool FileListWidget::Selected(int index) {
    const QListWidgetItem* entry = item(index);
    if (!entry) throw RuntimeError(errSubscript);
    return entry->isSelected();
}
