#pragma once
#include <QListWidget>

#include "intake/ListControls.h"

// The photo files of one folder: files only, "*.jpg" in any case, hidden ones left out,
// sorted by name without regard to case; extended selection.
class FileListWidget : public QListWidget, public FileList {
    Q_OBJECT
public:
    explicit FileListWidget(QWidget* parent);

    // Refills the list from `folder` and clears the selection; path not found (76) if it is gone.
    void setPath(const QString& folder);
    QString path() const { return path_; }

    int ListCount() override { return count(); }
    std::string List(int index) override;
    bool Selected(int index) override;

private:
    QString path_;
};
