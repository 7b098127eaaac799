#include "window/FolderListWidget.h"

#include <QFile>
#include <QStyle>

#include "tables/RuntimeError.h"
#include "window/CurrentFolder.h"
#include "window/FolderEntries.h"

namespace {
constexpr int pathRole = Qt::UserRole;

std::string child(const std::string& folder, const std::string& name) {
    return (folder == "/" ? "" : folder) + "/" + name;
}
}  // namespace

FolderListWidget::FolderListWidget(QWidget* parent) : QTreeWidget(parent), path_(currentFolder()) {
    setHeaderHidden(true);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setIndentation(10);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    // Every level is always open: no expand arrows.
    setStyleSheet("QTreeView::branch { image: none; border-image: none; }");
    connect(this, &QTreeWidget::itemActivated, this,
            [this](QTreeWidgetItem* item) { open(item->data(0, pathRole).toByteArray().toStdString()); });
    fill();
}

void FolderListWidget::open(const std::string& folder) {
    moveTo(folder);
    emit changed();
}

void FolderListWidget::moveTo(const std::string& folder) {
    // One spelling of each folder: no trailing or doubled separators.
    path_.clear();
    for (size_t at = 0; at < folder.size();) {
        const size_t end = std::min(folder.find('/', at), folder.size());
        if (end > at) path_ += "/" + folder.substr(at, end - at);
        at = end + 1;
    }
    if (path_.empty() && !folder.empty()) path_ = "/";
    fill();
}

void FolderListWidget::fill() {
    clear();
    const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closedIcon = style()->standardIcon(QStyle::SP_DirClosedIcon);

    // The root and each folder down to the current one. A current folder that cannot be
    // named leaves the root to start from.
    std::vector<std::string> chain = {"/"};
    if (path_.size() > 1) {
        for (size_t at = path_.find('/', 1);; at = path_.find('/', at + 1)) {
            chain.push_back(path_.substr(0, at));
            if (at == std::string::npos) break;
        }
    }
    QTreeWidgetItem* current = nullptr;
    for (const std::string& folder : chain) {
        const std::string name = folder == "/" ? folder : folder.substr(folder.rfind('/') + 1);
        auto* item = current ? new QTreeWidgetItem(current, {QFile::decodeName(name.c_str())})
                             : new QTreeWidgetItem(this, {QFile::decodeName(name.c_str())});
        item->setIcon(0, openIcon);
        item->setData(0, pathRole, QByteArray::fromStdString(folder));
        item->setExpanded(true);
        current = item;
    }
    std::vector<FolderEntry> subfolders;
    try {
        subfolders = folderEntries(chain.back(), EntryKind::folders);
    } catch (const RuntimeError&) {
        // A folder that is gone or closed to us shows no subfolders.
    }
    for (const FolderEntry& subfolder : subfolders) {
        auto* item = new QTreeWidgetItem(current, {subfolder.shown});
        item->setIcon(0, closedIcon);
        item->setData(0, pathRole, QByteArray::fromStdString(child(chain.back(), subfolder.name)));
    }
    if (!path_.empty()) {
        setCurrentItem(current);
        scrollToItem(current);
    }
}
