#include <QAccessible>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <QDir>
#include <QComboBox>
#include <QDialog>
#include <QListWidget>
#include <QScopeGuard>
#include <QToolButton>
#include <QTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>
#include <thread>

#include "Fakes.h"
#include "FaultyPlatform.h"
#include "PhotoMaker.h"
#include "window/FileListWidget.h"
#include "window/FolderListWidget.h"
#include "window/FrmPictrak.h"
#include "window/QtSaveDialog.h"
#include "window/SimpleStatusBar.h"
#include "window/WindowFont.h"

#ifdef PICTRAK_SYSTEM_CLOSE
#include <qpa/qwindowsysteminterface.h>
#endif

#ifndef PICTRAK_PRJ
#define PICTRAK_PRJ ""
#endif

// Counts what a listing asks of the system, and where.
class ListingPlatform : public FaultyPlatform {
public:
    std::atomic<int> foldersRead{0}, kindsAsked{0}, askedOnWindowThread{0};

    IoStatus ReadFolder(const std::string& folder, std::vector<Entry>& entries) override {
        ++foldersRead;
        askedOnWindowThread += QThread::currentThread() == qApp->thread();
        return FaultyPlatform::ReadFolder(folder, entries);
    }
    IoStatus Kind(const std::string& path, EntryKind& kind) override {
        ++kindsAsked;
        askedOnWindowThread += QThread::currentThread() == qApp->thread();
        return FaultyPlatform::Kind(path, kind);
    }
};

class WindowTest : public QObject {
    Q_OBJECT

    QTemporaryDir program_;
    FakeMessageBox box_;
    FakeSaveDialog dialog_;
    std::shared_ptr<ListingPlatform> platform_ = std::make_shared<ListingPlatform>();
    std::unique_ptr<FrmPictrak> window_;
    int quits_ = 0;  // the program ended at once

    template <typename T>
    T* control(const char* name) {
        T* found = window_->findChild<T*>(name);
        if (!found) qFatal("no control %s", name);
        return found;
    }
    QString status() { return QString::fromStdString(control<SimpleStatusBar>("StatusBar1")->SimpleText()); }
    QStringList files() {
        QStringList names;
        auto* list = control<FileListWidget>("fileList");
        for (int i = 0; i < list->count(); ++i) names << list->item(i)->text();
        return names;
    }
    static void writePhoto(const std::string& path, double latitude) {
        photo::Recipe recipe;
        recipe.latitude = photo::dms(latitude);
        recipe.longitude = photo::dms(10);
        photo::write(path, recipe);
    }
    void showActive() {
        window_->show();
        window_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    }
    // Read runs beside the window: it has ended when its button can be pressed again.
    void pressRead() {
        QTest::mouseClick(control<QPushButton>("cmdReadAll"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(control<QPushButton>("cmdReadAll")->isEnabled(), 600000);
    }
    // Read waits for the listing of the folder opened.
    void listed() { QTRY_VERIFY_WITH_TIMEOUT(control<QPushButton>("cmdReadAll")->isEnabled(), 600000); }
    void openFolder(const QString& folder) { control<FolderListWidget>("dirList")->open(bytes(folder)); listed(); }
    // As the title bar's button or the window manager closes it: a window blocked by a modal
    // box would not see it.
    static void systemClose(QWidget* window) {
#ifdef PICTRAK_SYSTEM_CLOSE
        QWindowSystemInterface::handleCloseEvent<QWindowSystemInterface::SynchronousDelivery>(window->windowHandle());
#else
        QVERIFY(!QApplication::activeModalWidget());  // what lets the system's close through
        window->close();
#endif
    }
    static std::string bytes(const QString& path) { return QDir::toNativeSeparators(QDir::cleanPath(path)).toStdString(); }

private slots:
    void init() {
        platform_ = std::make_shared<ListingPlatform>();
        box_ = FakeMessageBox{};
        dialog_ = FakeSaveDialog{};
        quits_ = 0;
        platform_->programFolder = bytes(program_.path());
        QFile::remove(program_.filePath("latlongwgs84.prj"));
        QVERIFY(QFile::copy(PICTRAK_PRJ, program_.filePath("latlongwgs84.prj")));
        window_ = std::make_unique<FrmPictrak>(WindowPlatform{&box_, &dialog_, platform_, {}, [this] { ++quits_; }});
        listed();
    }
    void cleanup() { window_.reset(); }

    // What a person sees: the window at its size, every text whole in its control, the
    // pictures, and a name for every control a screen reader reaches.
    void textsFitAndEveryControlHasAName() {
        showActive();
        QCOMPARE(window_->windowTitle(), QString("Pictrak to Shapefile"));
        QCOMPARE(window_->size(), QSize(604, 375));
        QCOMPARE(status(), QString("Simply follow Steps 1-2-3"));
        for (auto* label : window_->findChildren<QLabel*>()) {
            if (!label->isVisible() || label->text().isEmpty()) continue;
            QVERIFY2(fits(label->font(), {label->text(), label->size(), true}), qPrintable(label->objectName()));
        }
        auto* step1 = control<QLabel>("lblStep1");
        QVERIFY2(QFontMetrics(step1->font()).horizontalAdvance(step1->text()) <= step1->width(), "the first step is one line");
        QVERIFY(window_->font().pixelSize() >= 9);
        for (auto* button : window_->findChildren<QPushButton*>()) {
            const int needed = QFontMetrics(button->font()).horizontalAdvance(button->text().remove('&')) +
                               button->iconSize().width();
            QVERIFY2(needed < button->width(), qPrintable(button->objectName()));
            QVERIFY(button->isVisible());
        }
        for (auto* hidden : {"Label1", "Label2", "Label3", "Text2", "Text3"}) QVERIFY(!control<QWidget>(hidden)->isVisible());
        QCOMPARE(control<QLabel>("Image1")->pixmap().size(), QSize(86, 351));
        QCOMPARE(window_->windowIcon().availableSizes(), (QList<QSize>{QSize(32, 32), QSize(16, 16)}));
        const QImage readIcon = control<QPushButton>("cmdReadAll")->icon().pixmap(32).toImage();
        QVERIFY(readIcon != control<QPushButton>("cmdWrite")->icon().pixmap(32).toImage());
        QCOMPARE(control<FolderListWidget>("dirList")->Path(), bytes(QDir::currentPath()));
        QCOMPARE(control<FileListWidget>("fileList")->path(), bytes(QDir::currentPath()));
        for (const char* name : {"dirList", "fileList", "cmdReadAll", "cmdWrite", "StatusBar1", "SimpleText"}) {
            QAccessibleInterface* spoken = QAccessible::queryAccessibleInterface(control<QWidget>(name));
            QVERIFY2(spoken && !spoken->text(QAccessible::Name).isEmpty(), name);
        }
    }

    void tabOrderStartsOnRead() {
        showActive();
        const char* order[] = {"cmdReadAll", "cmdWrite", "dirList", "fileList", "cmdReadAll"};
        QCOMPARE(QApplication::focusWidget(), control<QWidget>(order[0]));
        for (int i = 1; i < 5; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget()->objectName(), QString(order[i]));
        }
    }

    void listsPhotoFilesOnly() {
        QTemporaryDir dir;
        for (const char* name : {"b.JPG", "A.jpg", "c.jpeg", ".hidden.jpg", "notes.txt", "Z.Jpg"})
            QFile(dir.filePath(name)).open(QIODevice::WriteOnly);
        QDir(dir.path()).mkdir("d.jpg");
#ifdef _WIN32
        // Names beyond the ANSI code page, through the wide calls.
        const std::string folderName = "\xc3\xa9t\xc3\xa9\xe5\x86\x99", photoName = "lat1\xc3\xa9.jpg";
        const QString shownFolder = QString::fromUtf8(folderName.c_str()), shownPhoto = QString::fromUtf8(photoName.c_str());
#else
        // Names that are not UTF-8 at all (Latin-1) are listed and read by their real bytes.
        const std::string folderName = "\xe9t\xe9", photoName = "lat1\xe9.jpg";
        const QString shownFolder = "\uFFFDt\uFFFD", shownPhoto = "lat1\uFFFD.jpg";
#endif
        const std::string folder = platform_->Child(bytes(dir.path()), folderName);
        const std::string photo = platform_->Child(folder, photoName);
        // QTemporaryDir cannot name what is not UTF-8: it goes here, even when a check fails.
        struct Gone {
            std::filesystem::path path;
            ~Gone() { std::error_code ignored; std::filesystem::remove_all(path, ignored); }
        } gone{std::filesystem::u8path(folder)};
        QVERIFY(std::filesystem::create_directory(gone.path));
        photo::Recipe recipe;
        recipe.latitude = photo::dms(45);
        const std::vector<uint8_t> made = photo::make(recipe);
        std::ofstream(std::filesystem::u8path(photo), std::ios::binary).write(reinterpret_cast<const char*>(made.data()),
                                                                                static_cast<std::streamsize>(made.size()));
        QStringList photos{"A.jpg", "b.JPG", "Z.Jpg"};
#ifndef _WIN32
        // A link is what it leads to, and the system is asked only about links; one that
        // leads nowhere is left out.
        std::filesystem::create_directory_symlink("d.jpg", bytes(dir.filePath("linked")));
        std::filesystem::create_symlink("A.jpg", bytes(dir.filePath("link.jpg")));
        std::filesystem::create_symlink("nothing", bytes(dir.filePath("dead.jpg")));
        photos.insert(2, "link.jpg");
        platform_->kindsAsked = 0;
#endif
        openFolder(dir.path());
        QCOMPARE(files(), photos);
        auto* dirList = control<FolderListWidget>("dirList");
#ifndef _WIN32
        QCOMPARE(platform_->kindsAsked.load(), 3);
        QCOMPARE(dirList->findItems("linked", Qt::MatchExactly | Qt::MatchRecursive).size(), 1);
#endif
        const QList<QTreeWidgetItem*> found = dirList->findItems(shownFolder, Qt::MatchExactly | Qt::MatchRecursive);
        QCOMPARE(found.size(), 1);
        emit dirList->itemActivated(found[0], 0);
        listed();
        QCOMPARE(files(), QStringList{shownPhoto});
        pressRead();
        QCOMPARE(window_->values().photoList.cell(0, colPath), photo);
        QVERIFY2(box_.shown.empty(), box_.shown.empty() ? "" : box_.shown[0].prompt.c_str());
        QCOMPARE(window_->values().photoList.cell(0, colLatitude), std::string("45 Degrees 0 Minutes 0 Seconds"));
    }

    // Every drive stands above the tree, as the root does where there are no drives, and a
    // photo on a card is a double-click away.
    void everyRootIsShownAndOpens() {
        QTemporaryDir card;
        writePhoto(bytes(card.filePath("card.jpg")), 3);
        platform_->roots = systemPlatform()->Roots();
        platform_->roots.push_back(bytes(card.path()));
        openFolder(QDir::currentPath());
        auto* dirList = control<FolderListWidget>("dirList");
        QStringList tops;
        for (int i = 0; i < dirList->topLevelItemCount(); ++i) tops << dirList->topLevelItem(i)->text(0);
        QStringList expected;
        for (const std::string& root : platform_->roots) expected << QString::fromStdString(root);
        QCOMPARE(tops, expected);
        emit dirList->itemActivated(dirList->topLevelItem(dirList->topLevelItemCount() - 1), 0);
        listed();
        QCOMPARE(dirList->Path(), bytes(card.path()));
        QCOMPARE(files(), QStringList{"card.jpg"});
    }

    void openingAFolderRefillsTheFilesAndClearsTheSelection() {
        QTemporaryDir dir;
        writePhoto(bytes(dir.filePath("top.jpg")), 1);
        QDir(dir.path()).mkdir("inner");
        for (const char* name : {"inner/x.jpg", "inner/y.jpg", "inner/z.jpg"}) writePhoto(bytes(dir.filePath(name)), 2);
        showActive();
        openFolder(dir.path());
        pressRead();
        const QString readStatus = status();

        auto* fileList = control<FileListWidget>("fileList");
        fileList->item(0)->setSelected(true);
        auto* dirList = control<FolderListWidget>("dirList");
        const QList<QTreeWidgetItem*> found = dirList->findItems("inner", Qt::MatchExactly | Qt::MatchRecursive);
        QCOMPARE(found.size(), 1);
        const QPoint at = dirList->visualItemRect(found[0]).center();
        QTest::mouseClick(dirList->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(dirList->Path(), bytes(dir.path()));
        QCOMPARE(files(), QStringList{"top.jpg"});  // a single click only highlights

        QTest::mouseDClick(dirList->viewport(), Qt::LeftButton, {}, at);
        listed();
        QCOMPARE(dirList->Path(), bytes(dir.filePath("inner")));
        QCOMPARE(files(), (QStringList{"x.jpg", "y.jpg", "z.jpg"}));
        QVERIFY(fileList->selectedItems().isEmpty());
        QCOMPARE(status(), readStatus);
        QCOMPARE(window_->values().photoCount, int16_t{1});  // the table read before stays

        // A click selects one photo, Ctrl+click adds one; Read takes just those.
        QTest::mouseClick(fileList->viewport(), Qt::LeftButton, {}, fileList->visualItemRect(fileList->item(0)).center());
        QTest::mouseClick(fileList->viewport(), Qt::LeftButton, Qt::ControlModifier,
                          fileList->visualItemRect(fileList->item(2)).center());
        pressRead();
        QCOMPARE(window_->values().photoCount, int16_t{2});
        QCOMPARE(window_->values().photoList.cell(1, colPath), bytes(dir.filePath("inner/z.jpg")));
    }

    void accessKeysAndUnhandledFailures() {
        QTemporaryDir photos, out;
        writePhoto(bytes(photos.filePath("a.jpg")), 10);
        showActive();
        openFolder(photos.path());
        // An access key presses the button as a person sees it: the click follows a moment later.
        QTest::keyClick(window_.get(), Qt::Key_R, Qt::AltModifier);
        QTRY_COMPARE(status(), QString("1 Pictrak file(s) have been read..."));
        QFile::remove(program_.filePath("latlongwgs84.prj"));

        dialog_.fileName = bytes(out.filePath("trip.shp"));
        QTest::keyClick(window_.get(), Qt::Key_S, Qt::AltModifier);
        QTRY_COMPARE(box_.shown.size(), size_t{1});
        const QString message = QString::fromStdString(box_.shown[0].prompt);
        QVERIFY2(message.startsWith("Run-time error '53':\n\nFile not found"), qPrintable(message));
        QCOMPARE(box_.shown[0].title, std::string());
        QVERIFY(window_->isVisible());
        QCOMPARE(window_->values().photoCount, int16_t{1});
        QVERIFY2(QDir(out.path()).isEmpty(), "a failed Save leaves nothing at a new name");
        QCOMPARE(status(), QString("1 Pictrak file(s) have been read..."));
        QVERIFY(!QGuiApplication::overrideCursor());

        // A folder that vanished before the list could move to it.
        QDir(photos.path()).mkdir("gone");
        QDir(photos.path()).rmdir("gone");
        openFolder(photos.filePath("gone"));
        QCOMPARE(box_.shown.size(), size_t{2});
        QVERIFY(QString::fromStdString(box_.shown[1].prompt).startsWith("Run-time error '76':"));
        // Both lists stay on the folder that exists.
        QCOMPARE(control<FolderListWidget>("dirList")->Path(), bytes(photos.path()));
        QCOMPARE(files(), QStringList{"a.jpg"});

        openFolder(photos.path());
        pressRead();
        QCOMPARE(status(), QString("1 Pictrak file(s) have been read..."));

        // Started in a folder closed to the program: empty lists, and the status bar says why
        // with the folder list's own words; no box holds up the window nobody has used yet.
        platform_->deny(platform_->CurrentFolder());
        window_ = std::make_unique<FrmPictrak>(WindowPlatform{&box_, &dialog_, platform_, {}, [this] { ++quits_; }});
        listed();
        QCOMPARE(box_.shown.size(), size_t{2});
        QVERIFY(files().isEmpty());
        QCOMPARE(status(), "Run-time error '70': Permission denied: " + QString::fromStdString(platform_->CurrentFolder()));
    }

    // A share that does not answer: Read starts and the window stays usable; Escape ends it
    // at once, keeping the photos of the last whole Read for Save; closing does not wait.
    void escapeOrClosingEndsAReadWhoseRequestsWait() {
        QTemporaryDir photos;
        for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) writePhoto(bytes(photos.filePath(name)), 10);
        showActive();
        openFolder(photos.path());
        auto* fileList = control<FileListWidget>("fileList");
        fileList->item(1)->setSelected(true);
        pressRead();
        fileList->clearSelection();
        const char* controls[] = {"cmdReadAll", "cmdWrite", "dirList", "fileList"};

        platform_->stall();
        QTest::mouseClick(control<QPushButton>("cmdReadAll"), Qt::LeftButton);
        QTRY_COMPARE(platform_->waiting(), 3);
        QCOMPARE(status(), QString("Reading 0 of 3 photos..."));
        for (const char* name : controls) QVERIFY2(!control<QWidget>(name)->isEnabled(), name);
        QTRY_COMPARE_WITH_TIMEOUT(
            status(), QString("Reading 0 of 3 photos... waiting for the storage to answer; Escape stops the Read."), 10000);
        QTest::keyClick(window_.get(), Qt::Key_Escape);
        QCOMPARE(status(), QString("Read stopped after 0 of 3 photos; Save writes the photos of the last whole Read."));
        for (const char* name : controls) QVERIFY2(control<QWidget>(name)->isEnabled(), name);
        QCOMPARE(window_->values().photoCount, int16_t{1});
        QCOMPARE(window_->values().photoList.cell(0, colLatitude), std::string("10 Degrees 0 Minutes 0 Seconds"));

        QTest::mouseClick(control<QPushButton>("cmdReadAll"), Qt::LeftButton);
        QTRY_COMPARE(platform_->waiting(), 6);
        window_->close();
        window_.reset();
        // The readers still waiting keep what they read with, whoever else lets it go.
        const std::weak_ptr<ListingPlatform> held = platform_;
        platform_.reset();
        QVERIFY(!held.expired());
        held.lock()->answer();
    }

    // A Read whose photos each fail while their folder answers, with the program's own box:
    // OK (Return) goes on to the next photo; Escape in the box, closing the box and closing the
    // window each stop the Read at once, the box gone and no other coming.
    void aPhotosBoxGoesOnWithOkAndStopsTheReadOtherwise() {
        QTemporaryDir photos;
        for (const char* name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg"}) writePhoto(bytes(photos.filePath(name)), 10);
        window_ = std::make_unique<FrmPictrak>(WindowPlatform{nullptr, &dialog_, platform_, {}, [this] { ++quits_; }});
        listed();
        showActive();
        openFolder(photos.path());
        auto* fileList = control<FileListWidget>("fileList");
        fileList->item(0)->setSelected(true);
        pressRead();
        fileList->clearSelection();
        platform_->failReads({bytes(photos.filePath("b.jpg")), bytes(photos.filePath("c.jpg")),
                              bytes(photos.filePath("d.jpg"))},
                             IoError::storage, false);
        // The box waits in an event loop of its own: it is answered from a timer there.
        std::vector<std::function<void(QMessageBox*)>> answers;
        QStringList seen;
        QTimer answering;
        answering.setInterval(10);
        connect(&answering, &QTimer::timeout, [&] {
            auto* box = window_->findChild<QMessageBox*>();
            if (answers.empty() || !box || !box->isActiveWindow() || box->property("answered").toBool()) return;
            box->setProperty("answered", true);
            seen << box->text().section(": ", 0, 1);
            const auto answer = answers.front();
            answers.erase(answers.begin());
            answer(box);
        });
        answering.start();
        const QString error = "Error Encountered: " + QString::fromStdString(bytes(photos.path())) + QDir::separator();
        const auto read = [&](std::vector<std::function<void(QMessageBox*)>> given, QStringList boxes, int stoppedAfter) {
            answers = std::move(given);
            seen.clear();
            QTest::mouseClick(control<QPushButton>("cmdReadAll"), Qt::LeftButton);
            QTRY_VERIFY(answers.empty() && !window_->findChild<QMessageBox*>());
            for (QString& photo : boxes) photo = error + photo;
            QCOMPARE(seen, boxes);
            if (!window_->isVisible()) return;
            if (stoppedAfter == 4) {  // every photo was in: nothing to stop, the Read is whole
                QCOMPARE(status(), QString("4 Pictrak file(s) have been read..."));
                QCOMPARE(window_->values().photoCount, int16_t{4});
                return;
            }
            QCOMPARE(status(), QString("Read stopped after %1 of 4 photos; Save writes the photos of the last whole Read.")
                                   .arg(stoppedAfter));
            QTest::qWait(300);
            QVERIFY(!window_->findChild<QMessageBox*>());
            QCOMPARE(window_->values().photoCount, int16_t{1});
            QVERIFY(control<QPushButton>("cmdReadAll")->isEnabled());
        };
        const auto key = [](Qt::Key k) { return [k](QMessageBox* box) { QTest::keyClick(box, k); }; };
        read({key(Qt::Key_Return), key(Qt::Key_Escape)}, {"b.jpg", "c.jpg"}, 3);
        read({[](QMessageBox* box) { systemClose(box); }}, {"b.jpg"}, 2);
        read({key(Qt::Key_Return), key(Qt::Key_Return), key(Qt::Key_Escape)}, {"b.jpg", "c.jpg", "d.jpg"}, 4);
        read({[this](QMessageBox*) { systemClose(window_.get()); }}, {"b.jpg"}, 0);
        QVERIFY(!window_->isVisible());
    }

    // A share that answers late: Save writes beside the window, with nothing usable that would
    // change what it writes, even when the listing of a folder comes in meanwhile, and closing
    // the window waits for the shapefile to be in place.
    void aSaveThatWaitsHoldsTheWindowNotAndClosingWaitsForIt() {
        QTemporaryDir photos, out;
        writePhoto(bytes(photos.filePath("a.jpg")), 10);
        showActive();
        openFolder(photos.path());
        pressRead();
        const QString shapefile = QDir::toNativeSeparators(out.filePath("trip.shp"));
        dialog_.fileName = shapefile.toStdString();
        const std::string firstWritten = dialog_.fileName + ".pictrak-new";
        // Closed during a Save that fails, the window stays for another try.
        platform_->failAt(FaultyPlatform::create, 1);
        platform_->stall(firstWritten);
        QTest::mouseClick(control<QPushButton>("cmdWrite"), Qt::LeftButton);
        QTRY_COMPARE(platform_->waiting(), 1);
        window_->close();
        platform_->answer();
        QTRY_COMPARE(box_.shown.size(), size_t{1});
        QVERIFY(window_->isVisible());
        box_.shown.clear();

        platform_->stall(firstWritten);
        platform_->stall(bytes(out.path()));
        // Access keys pressed just before: their clicks come once the buttons wait.
        QTest::keyClick(window_.get(), Qt::Key_R, Qt::AltModifier);
        control<FolderListWidget>("dirList")->open(bytes(out.path()));
        QTest::keyClick(window_.get(), Qt::Key_S, Qt::AltModifier);
        // A Save on the window's own thread would hold the click until the share answers.
        QTest::mouseClick(control<QPushButton>("cmdWrite"), Qt::LeftButton);
        QTest::qWait(300);
        QTRY_COMPARE(platform_->waiting(), 2);
        QCOMPARE(status(), "Saving " + shapefile + "...");
        platform_->answer(bytes(out.path()));
        QTRY_COMPARE(control<FileListWidget>("fileList")->path(), bytes(out.path()));
        for (const char* name : {"cmdReadAll", "cmdWrite", "dirList", "fileList"})
            QVERIFY2(!control<QWidget>(name)->isEnabled(), name);
        window_->close();
        QVERIFY(window_->isVisible());
        QCOMPARE(status(), "Saving " + shapefile + "... The window closes once it is saved, or at once if closed again.");
        platform_->answer();
        QTRY_VERIFY(!window_->isVisible());
        QCOMPARE(status(), "Conversion complete, " + shapefile + " saved.");
        QVERIFY(QFile::exists(shapefile));
        QVERIFY(box_.shown.empty());
        QCOMPARE(quits_, 0);

        // Closed again while the storage holds the Save, the window goes at once.
        showActive();
        platform_->stall(firstWritten);
        QTest::mouseClick(control<QPushButton>("cmdWrite"), Qt::LeftButton);
        QTRY_COMPARE(platform_->waiting(), 1);
        window_->close();
        QVERIFY(window_->isVisible() && quits_ == 0);
        window_->close();
        QVERIFY(!window_->isVisible());
        QCOMPARE(quits_, 1);
        platform_->answer();
        QTRY_COMPARE(status(), "Conversion complete, " + shapefile + " saved.");
    }

    // Save writes 32766 points at most: a folder of that many reads and saves whole, one more
    // is refused at Read with the limit named, and any of its photos may still be read.
    void thePhotosSaveCanWriteAreReadAndNoMore() {
        QTemporaryDir small, huge, out;
        writePhoto(bytes(small.filePath("a.jpg")), 10);
        photo::Recipe recipe;
        recipe.latitude = photo::dms(1);
        recipe.longitude = photo::dms(2);
        const std::vector<uint8_t> placed = photo::make(recipe);
        for (int i = 0; i < 32766; ++i)
            photo::writeBytes(bytes(huge.filePath(QString("IMG_%1.jpg").arg(i, 5, 10, QChar('0')))), placed);
        showActive();
        platform_->foldersRead = platform_->kindsAsked = 0;
        openFolder(huge.path());
        // One listing for both lists, and no question per photo: the listing tells what each is.
        QCOMPARE(platform_->foldersRead.load(), 1);
        QCOMPARE(platform_->kindsAsked.load(), 0);
        pressRead();
        QCOMPARE(status(), QString("32766 Pictrak file(s) have been read..."));
        dialog_.fileName = bytes(out.filePath("all.shp"));
        QTest::mouseClick(control<QPushButton>("cmdWrite"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(control<QPushButton>("cmdWrite")->isEnabled(), 600000);  // Save writes beside the window
        QCOMPARE(status(), "Conversion complete, " + QDir::toNativeSeparators(out.filePath("all.shp")) + " saved.");
        QCOMPARE(window_->values().pointCount, int16_t{32766});
        QVERIFY(box_.shown.empty());

        openFolder(small.path());
        pressRead();
        QFile(huge.filePath("IMG_32766.jpg")).open(QIODevice::WriteOnly);
        openFolder(huge.path());
        pressRead();
        QCOMPARE(box_.shown.size(), size_t{1});
        const QString message = QString::fromStdString(box_.shown[0].prompt);
        QVERIFY2(message.startsWith("Run-time error '6':") && message.contains("32767") && message.contains("32766"),
                 qPrintable(message));
        QCOMPARE(window_->values().photoCount, int16_t{1});

        control<FileListWidget>("fileList")->item(32766)->setSelected(true);
        pressRead();
        QCOMPARE(window_->values().photoCount, int16_t{1});
        QCOMPARE(status(), QString("1 Pictrak file(s) have been read..."));
    }

    // A folder on a share that does not answer: the window goes on, Read waits for the photos
    // of the folder opened, the last folder opened is the one shown, and closing the window
    // does not wait for the share.
    void aListingThatWaitsHoldsNeitherTheWindowNorItsClosing() {
        QTemporaryDir slow, other;
        writePhoto(bytes(slow.filePath("slow.jpg")), 10);
        writePhoto(bytes(other.filePath("other.jpg")), 20);
        showActive();
        openFolder(other.path());
        auto* dirList = control<FolderListWidget>("dirList");
        const std::string slowFolder = bytes(slow.path());
        platform_->stall(slowFolder);
        dirList->open(slowFolder);
        QTRY_COMPARE(platform_->waiting(), 1);
        QVERIFY(!control<QPushButton>("cmdReadAll")->isEnabled());
        QTest::keyClick(window_.get(), Qt::Key_R, Qt::AltModifier);  // not other.jpg in the slow folder
        openFolder(other.path());
        platform_->answer();
        QTRY_COMPARE(platform_->waiting(), 0);
        QTest::qWait(20);  // the slow folder's listing comes too late
        QCOMPARE(files(), QStringList{"other.jpg"});
        QCOMPARE(window_->values().photoCount, int16_t{0});

        platform_->stall(slowFolder);
        dirList->open(slowFolder);
        QTRY_COMPARE(platform_->waiting(), 1);
        window_.reset();
        QCOMPARE(platform_->waiting(), 1);
        platform_->answer();
        QTRY_COMPARE(platform_->waiting(), 0);
        QTest::qWait(20);  // its result finds no window
    }

    // The save dialog, where Qt would show its own widgets (as offscreen): it asks nothing of
    // the storage on the window's thread, so the window turns while the folder or a typed
    // name waits on a share and Cancel works; it takes the typed name whole and offers it again.
    void theSaveDialogNeverWaitsOnTheStorage() {
#ifdef _WIN32
        QSKIP("Windows shows its own save dialog, which QTest cannot reach; drive_window.sh types into it");
#endif
        QTemporaryDir out;
        QDir(out.path()).mkdir("sub");
        const QString typed = "my \"best\" trip.shp";
        for (const QString& name : {typed, QString("old.shp"), QString("a.jpg")}) QFile(out.filePath(name)).open(QIODevice::WriteOnly);
        struct Back {
            QString folder = QDir::currentPath();
            ~Back() { QDir::setCurrent(folder); }
        } back;
        QDir::setCurrent(out.path());  // where the dialog starts the first time
        int turns = 0;
        QTimer turning;
        connect(&turning, &QTimer::timeout, [&] { ++turns; });
        turning.start(5);
        platform_->askedOnWindowThread = 0;

        QtSaveDialog dialog(window_.get(), platform_);
        dialog.SetCancelError(true);
        dialog.SetFilter("Shapefile (*.shp)|*.shp|");
        dialog.SetFilterIndex(1);
        // Runs `steps` in the dialog once it shows; true when it was accepted.
        const auto show = [&](const std::function<void(QDialog&, QLineEdit&, QListWidget&)>& steps) {
            QTimer::singleShot(0, [&] {
                auto* shown = qobject_cast<QDialog*>(QApplication::activeModalWidget());
                QVERIFY(shown);
                QCOMPARE(shown->objectName(), QString("CommonDialog1"));
                QCOMPARE(shown->windowTitle(), QString("Save As"));
                QCOMPARE(shown->findChild<QComboBox*>()->currentText(), QString("Shapefile (*.shp)"));
                auto* list = shown->findChild<QListWidget*>();
                const auto done = qScopeGuard([&] { if (QTest::currentTestFailed()) shown->reject(); });  // never left hanging
                steps(*shown, *shown->findChild<QLineEdit*>("fileNameEdit"), *list);
            });
            try {
                dialog.ShowSave();
                return true;
            } catch (const RuntimeError& e) {
                if (e.number() != errCancel) throw;
                return false;
            }
        };
        const auto folderShown = [](QDialog& shown) { return shown.findChild<QLabel*>("folderPath")->text(); };
        const auto entries = [](QListWidget& list) {
            QStringList texts;
            for (int i = 0; i < list.count(); ++i) texts << list.item(i)->text();
            return texts;
        };
        const auto turnsWhile = [&](const std::function<void()>& action) {
            action();
            const int before = turns;
            QTRY_VERIFY(turns > before + 3);
        };

        // A share that does not answer: the listing waits, typing asks nothing, Escape leaves.
        platform_->stall();
        QVERIFY(!show([&](QDialog& shown, QLineEdit& name, QListWidget& list) {
            QCOMPARE(folderShown(shown), out.path());
            QTRY_COMPARE(platform_->waiting(), 1);
            QCOMPARE(entries(list), QStringList{"Listing..."});
            turnsWhile([&] { QTest::keyClicks(&name, typed); });
            QCOMPARE(name.text(), typed);
            QTest::keyClick(&name, Qt::Key_Escape);
            QVERIFY(!shown.isVisible());
        }));
        platform_->answer();

        // Folders and shapefiles; a typed folder opens, Up goes back; Cancel while the typed
        // name is looked at on the share.
        const std::string typedPath = platform_->Child(bytes(out.path()), typed.toStdString());
        QVERIFY(!show([&](QDialog& shown, QLineEdit& name, QListWidget& list) {
            QTRY_COMPARE(entries(list), (QStringList{"sub", typed, "old.shp"}));
            QTest::keyClicks(&name, "sub");
            QTest::keyClick(&name, Qt::Key_Return);
            QTRY_COMPARE(folderShown(shown), out.filePath("sub"));
            QVERIFY(name.text().isEmpty());
            QTest::mouseClick(shown.findChild<QToolButton*>("upButton"), Qt::LeftButton);
            QTRY_COMPARE(entries(list), (QStringList{"sub", typed, "old.shp"}));
            platform_->stall(typedPath);
            QTest::keyClicks(&name, typed);
            turnsWhile([&] { QTest::keyClick(&name, Qt::Key_Return); });
            QCOMPARE(platform_->waiting(), 1);
            // Backspace in the list goes nowhere meanwhile: the folder above, failing to list,
            // would be taken for the answer about the typed name, and saved under.
            const std::vector<std::string> chain = platform_->Chain(bytes(out.path()));
            platform_->deny(chain[chain.size() - 2]);
            QTest::keyClick(&list, Qt::Key_Backspace);
            QTest::qWait(100);
            QVERIFY(shown.isVisible());
            QCOMPARE(folderShown(shown), out.path());
            QTest::mouseClick(shown.findChildren<QPushButton*>().last(), Qt::LeftButton);
            QVERIFY(!shown.isVisible());
        }));
        platform_->answer();

        // Accepted as typed, quotes and all, and replaced without a question.
        QVERIFY(show([&](QDialog&, QLineEdit& name, QListWidget& list) {
            QTRY_COMPARE(list.count(), 3);
            list.setCurrentRow(1);  // a shapefile clicked gives its name
            QCOMPARE(name.text(), typed);
            QTest::keyClick(&name, Qt::Key_Return);
        }));
        QCOMPARE(dialog.FileName(), typedPath);

        // Offered again, in its folder, wherever the process is now.
        QDir::setCurrent(QDir::tempPath());
        QVERIFY(!show([&](QDialog& shown, QLineEdit& name, QListWidget& list) {
            QCOMPARE(folderShown(shown), out.path());
            QCOMPARE(name.text(), typed);
            // A folder typed that cannot be listed is no file to save under: it says why.
            platform_->deny(platform_->Child(bytes(out.path()), "sub"));
            name.setText("sub");
            QTest::keyClick(&name, Qt::Key_Return);
            QTRY_VERIFY(!shown.isVisible() || entries(list).value(0).startsWith("Permission denied"));
            QVERIFY(shown.isVisible());
            QCOMPARE(folderShown(shown), out.path());
            shown.reject();
        }));
        QCOMPARE(dialog.FileName(), typedPath);
        QCOMPARE(platform_->askedOnWindowThread.load(), 0);
    }
};

QTEST_MAIN(WindowTest)
#include "window_test.moc"
