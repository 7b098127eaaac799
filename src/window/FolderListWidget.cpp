#include "window/FolderListWidget.h"

#include <QStyle>
#include <algorithm>

namespace {
constexpr int pathRole = Qt::UserRole;
}  // namespace

FolderListWidget::FolderListWidget(QWidget* parent, Platform& platform)
    : QTreeWidget(parent), platform_(platform), path_(platform.CurrentFolder()) {
    setHeaderHidden(true);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setIndentation(10);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    // Every level is always open: no expand arrows.
    setStyleSheet("QTreeView::branch { image: none; border-image: none; }");
    connect(this, &QTreeWidget::itemActivated, this,
            [this](QTreeWidgetItem* item) {
                const std::string folder = item->data(0, pathRole).toByteArray().toStdString();
                if (!folder.empty()) open(folder);  // not the item that says the listing is under way
            });
    fill();
}

void FolderListWidget::open(const std::string& folder) {
    moveTo(folder);
    emit changed();
}

void FolderListWidget::moveTo(const std::string& folder) {
    path_ = platform_.Clean(folder);
    fill();
}

void FolderListWidget::showSubfolders(const std::string& folder, const std::vector<ListedEntry>& subfolders) {
    listed_ = folder;
    subfolders_ = subfolders;
    fill();
}

void FolderListWidget::fill() {
    clear();
    const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closedIcon = style()->standardIcon(QStyle::SP_DirClosedIcon);
    const auto item = [this](QTreeWidgetItem* parent, const std::string& folder, const QString& name, const QIcon& icon) {
        auto* entry = parent ? new QTreeWidgetItem(parent, {name}) : new QTreeWidgetItem(this, {name});
        entry->setIcon(0, icon);
        entry->setData(0, pathRole, QByteArray::fromStdString(folder));
        return entry;
    };

    // Every root (each drive, where the system has them), and under the current folder's
    // own root each folder down to the current one. A current folder that cannot be named
    // leaves the roots to start from.
    const std::vector<std::string> chain = platform_.Chain(path_);
    std::vector<std::string> roots = platform_.Roots();
    if (!chain.empty() && std::find(roots.begin(), roots.end(), chain[0]) == roots.end()) roots.push_back(chain[0]);
    QTreeWidgetItem* current = nullptr;
    for (const std::string& root : roots) {
        const bool onChain = !chain.empty() && root == chain[0];
        QTreeWidgetItem* entry = item(nullptr, root, QString::fromStdString(root), onChain ? openIcon : closedIcon);
        if (onChain) current = entry;
    }
    for (size_t i = 1; i < chain.size(); ++i) {
        const std::string& folder = chain[i];
        const std::string name = folder.substr(folder.find_last_of(std::string{'/', platform_.Separator()}) + 1);
        current = item(current, folder, QString::fromStdString(name), openIcon);
    }
    if (!current) return;
    for (QTreeWidgetItem* open = current; open; open = open->parent()) open->setExpanded(true);

    if (listed_ == path_) {
        for (const ListedEntry& subfolder : subfolders_)
            item(current, platform_.Child(chain.back(), subfolder.name), subfolder.shown, closedIcon);
    } else {
        auto* listing = new QTreeWidgetItem(current, {"Listing..."});
        listing->setFlags(Qt::NoItemFlags);
    }
    if (!path_.empty()) {
        setCurrentItem(current);
        scrollToItem(current);
    }
}
