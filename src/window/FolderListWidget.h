#pragma once
#include <QTreeWidget>

#include "intake/ListControls.h"

// A folder list in the classic style: the current folder's ancestors from the root down,
// then its subfolders. A double-click (or Return) opens a folder; a single click only
// highlights one. Filled synchronously, so it always shows the disk as it is now.
class FolderListWidget : public QTreeWidget, public FolderList {
    Q_OBJECT
public:
    explicit FolderListWidget(QWidget* parent);

    std::string Path() override;
    QString path() const { return path_; }
    // Opens `folder` and raises changed().
    void open(const QString& folder);

signals:
    void changed();

private:
    void fill();
    QString path_;
};
