#pragma once
#include <QListWidget>

#include "intake/ListControls.h"
#include "window/FolderEntries.h"

class QLabel;

// The photo files of one folder, as the window's listing gives them; extended selection.
// Each entry keeps its name's bytes as the file system has them and shows it as UTF-8 as
// far as it is.
class FileListWidget : public QListWidget, public FileList {
    Q_OBJECT
public:
    explicit FileListWidget(QWidget* parent);

    // Shows the photos of `folder` and clears the selection.
    void setPath(const std::string& folder, const std::vector<ListedEntry>& photos);
    const std::string& path() const { return path_; }
    // While another folder is being listed its entries are covered and cannot be chosen;
    // they are there as they were if that listing fails.
    void setListing(bool listing);

    int ListCount() override { return count(); }
    std::string List(int index) override;
    bool Selected(int index) override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    std::string path_;
    QLabel* listing_;
};
