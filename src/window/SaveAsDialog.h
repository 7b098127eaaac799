#pragma once
#include <QDialog>
#include <QStringList>
#include <memory>
#include <string>

#include "platform/Platform.h"
#include "window/FolderListing.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QToolButton;

// A save dialog that never waits on the storage on the window's thread: its folder is
// listed, and a typed name looked at, by a FolderListing, and Cancel works meanwhile. The
// name is taken as typed, quotes and spaces and all, in the folder shown unless it is a
// whole path; a name that turns out to be a folder opens it. Nothing is asked before a
// file is replaced: the user chose the name.
class SaveAsDialog : public QDialog {
    Q_OBJECT
public:
    // Starts in `folder`, an absolute one, with `name` offered.
    SaveAsDialog(QWidget* parent, std::shared_ptr<Platform> platform, const QStringList& filters, int filter,
                 const std::string& folder, const QString& name);

    // The path chosen, in the system's spelling, once accepted.
    const std::string& chosen() const { return chosen_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void open(const std::string& folder);
    void up();
    void save();
    void arrived(const std::string& folder, const FolderContents& contents, std::exception_ptr failure);
    void activated(QListWidgetItem* item);
    void showWaiting(const QString& text);
    void setChecking(bool checking);
    void updateSave();

    std::shared_ptr<Platform> platform_;
    FolderListing listing_;
    std::string folder_;    // the folder shown
    std::string checking_;  // the typed path being looked at, or ""
    std::string chosen_;

    QLabel* path_;
    QToolButton* up_;
    QListWidget* entries_;
    QLineEdit* name_;
    QComboBox* type_;
    QPushButton* save_;
};
