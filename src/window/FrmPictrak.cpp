#include "window/FrmPictrak.h"

#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>
#include <cstdlib>
#include <optional>
#include <utility>

#include "intake/ExifTagReader.h"
#include "tables/RuntimeError.h"
#include "window/Artwork.h"
#include "window/BusyCursor.h"
#include "window/FileListWidget.h"
#include "window/FolderListWidget.h"
#include "window/SimpleStatusBar.h"
#include "window/WindowFont.h"

namespace {
const QString step1Text =
    "First, select a folder where one or more Pictrak files exist.  You may select files within this folder if needed.";
const QString step2Text = "Second, click the READ button";
// A path longer than the system hands out names no folder, and listing it would only say "not found".
const std::string startedUnnamed =
    "The folder the program started in cannot be known: its path may be longer than the system allows. "
    "Open a folder in the folder list.";
const QString step3Text = "Thrid, click the SAVE button to specify the name of your new shapefile,";

template <typename W, typename... Arguments>
W* place(QWidget* parent, const char* name, int left, int top, int width, int height, Arguments&... arguments) {
    auto* widget = new W(parent, arguments...);
    widget->setObjectName(name);
    widget->setGeometry(left, top, width, height);
    return widget;
}

QLabel* label(QWidget* parent, const char* name, QRect box, const QString& text) {
    auto* l = place<QLabel>(parent, name, box.x(), box.y(), box.width(), box.height());
    l->setText(text);
    l->setWordWrap(true);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return l;
}
}  // namespace

FrmPictrak::FrmPictrak(WindowPlatform platform)
    : sharedSystem_(platform.system ? platform.system : systemPlatform()),
      system_(*sharedSystem_),
      ShapeOut(system_),
      ownBox_(this, [this] { return read_ && read_->Reading(); }),
      CommonDialog1(this, sharedSystem_),
      box_(platform.messageBox ? *platform.messageBox : ownBox_),
      dialog_(platform.commonDialog ? *platform.commonDialog : CommonDialog1),
      quitNow_(platform.quitNow ? platform.quitNow : [] { std::_Exit(EXIT_FAILURE); }),
      // The readers outlive the window when the storage holds them, and so must what they read with.
      tagReaders_(platform.tagReaders ? platform.tagReaders : [system = sharedSystem_]() -> std::unique_ptr<TagReader> {
          return std::make_unique<ExifTagReader>(*system);
      }) {
    build();
    read_ = std::make_unique<ReadCommand>(values_, *dirList, *fileList, box_, *StatusBar1, tagReaders_, sharedSystem_);
    save_ = std::make_unique<SaveCommand>(values_, dialog_, box_, *StatusBar1, ShapeOut, system_);

    storageWait_ = new QTimer(this);
    storageWait_->setInterval(1000);
    connect(storageWait_, &QTimer::timeout, this, [this] { read_->Waiting(); });
    // Read runs beside the window: the readers wake it when photos wait to be taken in.
    read_->WhenFetched([this] { QMetaObject::invokeMethod(this, [this] { takeFetched(); }, Qt::QueuedConnection); });
    // An access key clicks a moment after the key, even when the button has been disabled
    // meanwhile (by a click on Save, say): such a click does nothing.
    connect(cmdReadAll, &QPushButton::clicked, this, [this] {
        if (!cmdReadAll->isEnabled()) return;
        handle([this] { read_->cmdReadAll_Click(false); }, true);
        showWorking();
    });
    connect(new QShortcut(Qt::Key_Escape, this), &QShortcut::activated, this, [this] {
        read_->Stop();
        ownBox_.Dismiss();
        showWorking();
    });
    connect(cmdWrite, &QPushButton::clicked, this, [this] {
        if (cmdWrite->isEnabled()) handle([this] { save(); }, true);
    });
    connect(dirList, &FolderListWidget::changed, this, [this] { handle([this] { dirList_Change(); }, false); });

    // The window shows at once; the lists fill when the listing of the folder arrives.
    listing_ = std::make_unique<FolderListing>(
        *this, sharedSystem_, [this](const std::string& folder, const FolderContents& contents, std::exception_ptr failure) {
            handle([&] { listed(folder, contents, failure); }, false);
        });
    quietFailure_ = true;
    list(dirList->Path());
}

// Only a window that never closed goes while a Save writes: it waits for the Save.
FrmPictrak::~FrmPictrak() {
    if (saver_.joinable()) saver_.join();
}

// Readers still waiting on the storage are let go, not waited for: closing ends the program.
// A Save is waited for: cut short, it would leave its files aside for the next Save. Closed
// again, the window goes at once, whatever the storage: the Save ends as a crash would end
// it, and its marker has the next Save under that name finish it or put the earlier set back.
void FrmPictrak::closeEvent(QCloseEvent* event) {
    if (saver_.joinable()) {
        event->ignore();
        if (std::exchange(closeWhenSaved_, true)) {
            hide();
            quitNow_();
            return;
        }
        StatusBar1->SetSimpleText("Saving " + savingPath_ +
                                  "... The window closes once it is saved, or at once if closed again.");
        return;
    }
    // A photo's message box goes with the Read it belongs to.
    read_->Stop();
    ownBox_.Dismiss();
    QWidget::closeEvent(event);
}

void FrmPictrak::save() {
    if (!save_->Prepare()) return;
    statusBeforeSave_ = StatusBar1->SimpleText();
    savingPath_ = values_.shapePath;
    StatusBar1->SetSimpleText("Saving " + savingPath_ + "...");
    try {
        saver_ = std::thread([this] {
            std::exception_ptr failure;
            try {
                save_->Write();
            } catch (...) {
                failure = std::current_exception();
            }
            QMetaObject::invokeMethod(this, [this, failure] { saved(failure); }, Qt::QueuedConnection);
        });
    } catch (...) {
        StatusBar1->SetSimpleText(statusBeforeSave_);
        throw;
    }
    showWorking();
}

void FrmPictrak::saved(std::exception_ptr failure) {
    saver_.join();
    showWorking();
    handle(
        [&] {
            if (!failure) return save_->Saved();
            StatusBar1->SetSimpleText(statusBeforeSave_);
            std::rethrow_exception(failure);
        },
        false);
    // A Save that failed leaves the window open, for the user to save elsewhere.
    if (std::exchange(closeWhenSaved_, false) && !failure) close();
}

void FrmPictrak::takeFetched() {
    handle([this] { read_->TakeFetched(false); }, false);
    showWorking();
}

void FrmPictrak::showWorking() {
    const bool working = read_->Reading() || saver_.joinable();
    if (!read_->Reading()) storageWait_->stop();
    else if (!storageWait_->isActive()) storageWait_->start();
    for (QWidget* control : std::initializer_list<QWidget*>{cmdWrite, dirList, fileList}) control->setEnabled(!working);
    // A listing still on its way keeps Read waiting, whatever the end of a Read says.
    cmdReadAll->setEnabled(!working && !listingPending_);
    if (working) setCursor(Qt::BusyCursor);
    else unsetCursor();
    if (!working && !focusWidget()) cmdReadAll->setFocus();
}

void FrmPictrak::build() {
    setObjectName("frmPictrak");
    setWindowTitle("Pictrak to Shapefile");
    setWindowIcon(artwork::windowIcon());
    setFixedSize(604, 375);

    const QRect step1(88, 8, 513, 17), step2(88, 184, 217, 25), step3(96, 264, 257, 41);
    setFont(fittingFont(font(), {{step1Text, step1.size(), true},
                                 {step2Text, step2.size(), true},
                                 {step3Text, step3.size(), true}}));

    auto* image = place<QLabel>(this, "Image1", 0, 0, 86, 351);
    image->setPixmap(artwork::strip());

    cmdReadAll = place<QPushButton>(this, "cmdReadAll", 360, 176, 97, 49);
    cmdReadAll->setText("&Read");
    cmdReadAll->setIcon(artwork::readIcon());
    cmdReadAll->setIconSize(QSize(32, 32));

    // Kept from the window's layout; they play no part and overlap one another.
    for (auto [name, box] : {std::pair{"Label1", QRect(520, 256, 33, 17)}, {"Label2", QRect(520, 272, 49, 25)},
                             {"Label3", QRect(520, 288, 41, 17)}})
        label(this, name, box, name)->hide();
    for (auto [name, box] : {std::pair{"Text2", QRect(560, 256, 33, 19)}, {"Text3", QRect(560, 280, 33, 19)}}) {
        auto* text = place<QLineEdit>(this, name, box.x(), box.y(), box.width(), box.height());
        text->setText(name);
        text->hide();
    }

    cmdWrite = place<QPushButton>(this, "cmdWrite", 360, 248, 97, 57);
    cmdWrite->setText("&Save");
    cmdWrite->setIcon(artwork::saveIcon());
    cmdWrite->setIconSize(QSize(32, 32));
    cmdWrite->setToolTip("Saves a shapefile containing points for all the Pictrak's read");

    dirList = place<FolderListWidget>(this, "dirList", 88, 32, 225, 141, system_);
    fileList = place<FileListWidget>(this, "fileList", 312, 32, 209, 136);
    fileList->setToolTip("Read all does not require a selection");

    label(this, "lblStep1", step1, step1Text);
    label(this, "lblStep2", step2, step2Text);
    label(this, "lblStep3", step3, step3Text);

    StatusBar1 = place<SimpleStatusBar>(this, "StatusBar1", 0, 350, 604, 25);
    StatusBar1->SetSimpleText("Simply follow Steps 1-2-3");

    auto* line = place<QFrame>(this, "Line1", 88, 240, 513, 1);
    line->setAutoFillBackground(true);
    QPalette blue = line->palette();
    blue.setColor(QPalette::Window, QColor(0, 0, 255));
    line->setPalette(blue);

    // What a screen reader says of each control; the visible texts stay as they are.
    const struct {
        QWidget* control;
        const char* name;
        const char* description;
    } spoken[] = {
        {dirList, "Folders", "Step 1: the folder that holds the photos. Double-click a folder to open it."},
        {fileList, "Photos", "The photos of the open folder. Read takes the selected ones, or all when none is selected."},
        {cmdReadAll, "Read", "Step 2: reads the position, date and time of the photos."},
        {cmdWrite, "Save", "Step 3: asks for a name and saves a shapefile with a point for each photo read."},
        {StatusBar1, "Status", "What the last step did."},
    };
    for (const auto& s : spoken) {
        s.control->setAccessibleName(s.name);
        s.control->setAccessibleDescription(s.description);
    }

    setTabOrder(cmdReadAll, cmdWrite);
    setTabOrder(cmdWrite, dirList);
    setTabOrder(dirList, fileList);
    cmdReadAll->setFocus();
}

void FrmPictrak::dirList_Change() { list(dirList->Path()); }

// Read takes the file list as it stands, which would be the earlier folder's photos under the
// new folder's path: it waits for the listing.
void FrmPictrak::list(const std::string& folder) {
    listing_->start(folder);  // arrives through the event loop, after what follows here
    readHadFocus_ = readHadFocus_ || focusWidget() == cmdReadAll;
    listingPending_ = true;
    cmdReadAll->setEnabled(false);
    fileList->setListing(true);
}

void FrmPictrak::listed(const std::string& folder, const FolderContents& contents, std::exception_ptr failure) {
    listingPending_ = false;
    fileList->setListing(false);
    showWorking();  // a listing that comes in during a Save leaves the lists waiting for it
    if (readHadFocus_) cmdReadAll->setFocus();
    readHadFocus_ = false;
    const bool quiet = std::exchange(quietFailure_, false);
    if (failure && quiet) {
        // Started in a folder that cannot be listed: the lists stay empty until another is
        // opened, and the status bar says why. Nobody asked for this folder, so no box waits
        // for an answer before the window can be used.
        dirList->showSubfolders(folder, {});
        try {
            std::rethrow_exception(failure);
        } catch (const RuntimeError& e) {
            StatusBar1->SetSimpleText(folder.empty() ? startedUnnamed
                                                     : "Run-time error '" + std::to_string(e.number()) + "': " +
                                                           e.description());
        }
    } else if (failure) {
        // Both lists stay on the last folder that could be listed, so that Read looks for
        // the listed photos where they are.
        dirList->moveTo(fileList->path());
        std::rethrow_exception(failure);
    } else {
        dirList->showSubfolders(folder, contents.folders);
        fileList->setPath(folder, contents.photos);
    }
}

void FrmPictrak::handle(const std::function<void()>& procedure, bool busy) {
    std::optional<BusyCursor> cursor;
    if (busy) cursor.emplace();
    std::optional<RuntimeError> failure;
    try {
        procedure();
    } catch (const RuntimeError& e) {
        failure = e;
    } catch (const std::bad_alloc&) {
        failure = RuntimeError(errOutOfMemory);
    } catch (const std::exception& e) {
        failure = RuntimeError(errInternal, std::string("Internal error: ") + e.what());
    }
    cursor.reset();
    if (failure)
        box_.Show("Run-time error '" + std::to_string(failure->number()) + "':\n\n" + failure->description(), styleOk);
}
