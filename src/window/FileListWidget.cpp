#include "window/FileListWidget.h"

#include "tables/RuntimeError.h"
#include "window/CurrentFolder.h"
#include "window/FolderEntries.h"

namespace {
constexpr int nameRole = Qt::UserRole;
}

FileListWidget::FileListWidget(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setUniformItemSizes(true);
    try {
        setPath(currentFolder());
    } catch (const RuntimeError&) {
        // Started in a folder that is gone or cannot be named: empty until another is opened.
    }
}

void FileListWidget::setPath(const std::string& folder) {
    const std::vector<FolderEntry> photos = folderEntries(folder, EntryKind::photos);
    path_ = folder;
    clear();
    for (const FolderEntry& photo : photos) {
        auto* entry = new QListWidgetItem(photo.shown, this);
        entry->setData(nameRole, QByteArray::fromStdString(photo.name));
    }
}

std::string FileListWidget::List(int index) {
    const QListWidgetItem* entry = item(index);
    if (!entry) throw RuntimeError(errSubscript);
    return entry->data(nameRole).toByteArray().toStdString();
}

bool FileListWidget::Selected(int index) {
    const QListWidgetItem* entry = item(index);
    if (!entry) throw RuntimeError(errSubscript);
    return entry->isSelected();
}
