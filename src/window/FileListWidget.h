#pragma once
#include <QListWidget>

#include "intake/ListControls.h"
#include "platform/Platform.h"

// The photo files of one folder: files only, "*.jpg" in any case, hidden ones left out,
// sorted by name without regard to case; extended selection. Each entry keeps its name's
// bytes as the file system has them and shows it as UTF-8 as far as it is.
class FileListWidget : public QListWidget, public FileList {
    Q_OBJECT
public:
    FileListWidget(QWidget* parent, Platform& platform);

    // Refills the list from `folder` and clears the selection; path not found (76) if it is gone.
    void setPath(const std::string& folder);
    const std::string& path() const { return path_; }

    int ListCount() override { return count(); }
    std::string List(int index) override;
    bool Selected(int index) override;

private:
    Platform& platform_;
    std::string path_;
};
