#pragma once
#include <QTreeWidget>

#include "intake/ListControls.h"
#include "platform/Platform.h"
#include "window/FolderEntries.h"

// A folder list in the classic style: the roots (each drive, where the system has them),
// the current folder's ancestors from its root down, then its subfolders. A double-click
// (or Return) opens a folder; a single click only highlights one. It lists nothing itself:
// the subfolders come with the window's listing of the current folder, and until then an
// item says that they are being listed. Paths are kept as the file system's bytes, whatever
// their encoding.
class FolderListWidget : public QTreeWidget, public FolderList {
    Q_OBJECT
public:
    FolderListWidget(QWidget* parent, Platform& platform);

    // The current folder; "" when the folder the program started in cannot be named.
    std::string Path() override { return path_; }
    // Opens `folder` and raises changed().
    void open(const std::string& folder);
    // Shows `folder` as the current one, quietly: for going back after a failed change.
    void moveTo(const std::string& folder);
    // The subfolders of `folder`, listed; kept for going back to it.
    void showSubfolders(const std::string& folder, const std::vector<ListedEntry>& subfolders);

signals:
    void changed();

private:
    void fill();
    Platform& platform_;
    std::string path_;
    std::string listed_;  // the folder whose subfolders these are
    std::vector<ListedEntry> subfolders_;
};
