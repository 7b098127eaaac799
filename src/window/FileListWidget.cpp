#include "window/FileListWidget.h"

#include <QLabel>

#include "tables/RuntimeError.h"

namespace {
constexpr int nameRole = Qt::UserRole;
}

FileListWidget::FileListWidget(QWidget* parent) : QListWidget(parent), listing_(new QLabel("Listing...", viewport())) {
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setUniformItemSizes(true);
    listing_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    listing_->setMargin(2);
    listing_->setAutoFillBackground(true);
    listing_->setBackgroundRole(QPalette::Base);
    listing_->hide();
}

void FileListWidget::setPath(const std::string& folder, const std::vector<ListedEntry>& photos) {
    path_ = folder;
    clear();
    for (const ListedEntry& photo : photos) {
        auto* entry = new QListWidgetItem(photo.shown, this);
        entry->setData(nameRole, QByteArray::fromStdString(photo.name));
    }
}

void FileListWidget::setListing(bool listing) {
    setEnabled(!listing);
    listing_->setVisible(listing);
}

void FileListWidget::resizeEvent(QResizeEvent* event) {
    QListWidget::resizeEvent(event);
    listing_->setGeometry(viewport()->rect());
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
