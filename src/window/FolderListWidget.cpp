#include "window/FolderListWidget.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStyle>

namespace {
constexpr int pathRole = Qt::UserRole;
}

FolderListWidget::FolderListWidget(QWidget* parent) : QTreeWidget(parent), path_(QDir::currentPath()) {
    setHeaderHidden(true);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setIndentation(10);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    // Every level is always open: no expand arrows.
    setStyleSheet("QTreeView::branch { image: none; border-image: none; }");
    connect(this, &QTreeWidget::itemActivated, this,
            [this](QTreeWidgetItem* item) { open(item->data(0, pathRole).toString()); });
    fill();
}

std::string FolderListWidget::Path() { return QFile::encodeName(path_).toStdString(); }

void FolderListWidget::open(const QString& folder) {
    path_ = QDir::cleanPath(folder);
    fill();
    emit changed();
}

void FolderListWidget::fill() {
    clear();
    const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closedIcon = style()->standardIcon(QStyle::SP_DirClosedIcon);

    QStringList chain;  // the current folder and its ancestors up to the root
    for (QDir dir(path_);; ) {
        chain.prepend(dir.absolutePath());
        if (dir.isRoot() || !dir.cdUp()) break;
    }
    QTreeWidgetItem* parent = nullptr;
    QTreeWidgetItem* current = nullptr;
    for (const QString& folder : chain) {
        const QString name = QDir(folder).isRoot() ? folder : QFileInfo(folder).fileName();
        auto* item = parent ? new QTreeWidgetItem(parent, {name}) : new QTreeWidgetItem(this, {name});
        item->setIcon(0, openIcon);
        item->setData(0, pathRole, folder);
        item->setExpanded(true);
        parent = current = item;
    }
    QDir dir(path_);
    const QStringList subfolders =
        dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase | QDir::LocaleAware);
    for (const QString& name : subfolders) {
        auto* item = new QTreeWidgetItem(current, {name});
        item->setIcon(0, closedIcon);
        item->setData(0, pathRole, dir.filePath(name));
    }
    if (current) {
        current->setExpanded(true);
        setCurrentItem(current);
        scrollToItem(current);
    }
}
