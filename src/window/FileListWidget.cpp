#include "window/FileListWidget.h"

#include "tables/RuntimeError.h"
#include "window/FolderEntries.h"

namespace {
constexpr int nameRole = Qt::UserRole;
}

FileListWidget::FileListWidget(QWidget* parent, Platform& platform) : QListWidget(parent), platform_(platform) {
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setUniformItemSizes(true);
    try {
        setPath(platform_.CurrentFolder());
    } catch (const RuntimeError&) {
        // Started in a folder that is gone or cannot be named: empty until another is opened.
    }
}

void FileListWidget::setPath(const std::string& folder) {
    const std::vector<ListedEntry> photos = folderEntries(platform_, folder, Listing::photos);
    path_ = folder;
    clear();
    for (const ListedEntry& photo : photos) {
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
