#pragma once
#include <QWidget>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "intake/ReadCommand.h"
#include "output/SaveCommand.h"
#include "output/ShapelibShapeFiles.h"
#include "platform/Platform.h"
#include "tables/WorkingValues.h"
#include "window/FolderListing.h"
#include "window/QtMessageBox.h"
#include "window/QtSaveDialog.h"

class QLabel;
class QTimer;
class QPushButton;
class FolderListWidget;
class FileListWidget;
class SimpleStatusBar;

// Where a person answers or the machine is touched; anything left empty is the real one.
struct WindowPlatform {
    MessageBox* messageBox = nullptr;
    SaveDialog* commonDialog = nullptr;
    std::shared_ptr<Platform> system;
    TagReaderFactory tagReaders;
    // Ends the program at once, as a crash would: the user will not wait for the storage.
    std::function<void()> quitNow;
};

// The program's one window: the three steps, the two lists, Read and Save.
class FrmPictrak : public QWidget {
    Q_OBJECT
public:
    explicit FrmPictrak(WindowPlatform platform = {});
    ~FrmPictrak() override;

    const WorkingValues& values() const { return values_; }

    void dirList_Change();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // Runs an event's procedure; a failure it does not trap itself is reported with its
    // number and description, and the window with its tables stays as it is.
    void handle(const std::function<void()>& procedure, bool busy);
    void build();
    // Takes in what the readers fetched; the window draws between one slice and the next.
    void takeFetched();
    // Save asks for a name and converts, then writes beside the window.
    void save();
    void saved(std::exception_ptr failure);
    // While Read or Save runs, nothing that would change what it works on can be used.
    void showWorking();
    // Lists `folder` for both lists; Read waits for it.
    void list(const std::string& folder);
    void listed(const std::string& folder, const FolderContents& contents, std::exception_ptr failure);

    // Shared with the listings, which may outlive the window on a share that does not answer.
    std::shared_ptr<Platform> sharedSystem_;
    Platform& system_;
    WorkingValues values_;
    ShapelibShapeFiles ShapeOut;
    QtMessageBox ownBox_;
    QtSaveDialog CommonDialog1;
    MessageBox& box_;
    SaveDialog& dialog_;
    const std::function<void()> quitNow_;
    TagReaderFactory tagReaders_;

    QPushButton* cmdReadAll = nullptr;
    QPushButton* cmdWrite = nullptr;
    FolderListWidget* dirList = nullptr;
    FileListWidget* fileList = nullptr;
    SimpleStatusBar* StatusBar1 = nullptr;

    std::unique_ptr<ReadCommand> read_;
    std::unique_ptr<SaveCommand> save_;

    QTimer* storageWait_ = nullptr;  // tells, while Read runs, when it waits for the storage
    std::unique_ptr<FolderListing> listing_;
    bool listingPending_ = false;  // Read waits for it
    bool quietFailure_ = false;  // a folder the program starts in that cannot be listed is no error
    bool readHadFocus_ = false;

    std::thread saver_;  // writes the shapefile: joinable from the Save's start until it has told the window
    bool closeWhenSaved_ = false;
    std::string statusBeforeSave_;
    // The Save's thread gives the path its ending as it writes: the window names the Save
    // from a copy of its own, taken before the thread began.
    std::string savingPath_;
};
