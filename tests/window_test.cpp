#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

#include "Fakes.h"
#include "PhotoMaker.h"
#include "window/FileListWidget.h"
#include "window/FolderListWidget.h"
#include "window/FrmPictrak.h"
#include "window/SimpleStatusBar.h"
#include "window/WindowFont.h"

#ifndef PICTRAK_PRJ
#define PICTRAK_PRJ ""
#endif

class WindowTest : public QObject {
    Q_OBJECT

    QTemporaryDir program_;
    FakeMessageBox box_;
    FakeSaveDialog dialog_;
    FakeFileSystem files_;
    std::unique_ptr<FrmPictrak> window_;

    template <typename T>
    T* control(const char* name) {
        T* found = window_->findChild<T*>(name);
        if (!found) qFatal("no control %s", name);
        return found;
    }
    QString status() { return control<SimpleStatusBar>("StatusBar1")->SimpleText(); }
    QStringList files() {
        QStringList names;
        auto* list = control<FileListWidget>("fileList");
        for (int i = 0; i < list->count(); ++i) names << list->item(i)->text();
        return names;
    }
    void writePhoto(const QString& path, double latitude) {
        photo::Recipe recipe;
        recipe.latitude = photo::dms(latitude);
        recipe.longitude = photo::dms(10);
        photo::write(QFile::encodeName(path).toStdString(), recipe);
    }
    void showActive() {
        window_->show();
        window_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    }
    void openFolder(const QString& folder) { control<FolderListWidget>("dirList")->open(folder); }

private slots:
    void init() {
        box_ = FakeMessageBox{};
        dialog_ = FakeSaveDialog{};
        files_.appPath = QFile::encodeName(program_.path()).toStdString();
        QFile::remove(program_.filePath("latlongwgs84.prj"));
        QVERIFY(QFile::copy(PICTRAK_PRJ, program_.filePath("latlongwgs84.prj")));
        window_ = std::make_unique<FrmPictrak>(WindowPlatform{&box_, &dialog_, &files_, {}});
    }
    void cleanup() { window_.reset(); }

    void layoutAndTexts_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("toolTip");
        QTest::addColumn<bool>("shown");
        QTest::newRow("cmdReadAll") << "cmdReadAll" << QRect(360, 176, 97, 49) << "&Read" << "" << true;
        QTest::newRow("cmdWrite") << "cmdWrite" << QRect(360, 248, 97, 57) << "&Save"
                                  << "Saves a shapefile containing points for all the Pictrak's read" << true;
        QTest::newRow("dirList") << "dirList" << QRect(88, 32, 225, 141) << "" << "" << true;
        QTest::newRow("fileList") << "fileList" << QRect(312, 32, 209, 136) << ""
                                  << "Read all does not require a selection" << true;
        QTest::newRow("lblStep1") << "lblStep1" << QRect(88, 8, 513, 17)
                                  << "First, select a folder where one or more Pictrak files exist.  You may select "
                                     "files within this folder if needed."
                                  << "" << true;
        QTest::newRow("lblStep2") << "lblStep2" << QRect(88, 184, 217, 25) << "Second, click the READ button" << ""
                                  << true;
        QTest::newRow("lblStep3") << "lblStep3" << QRect(96, 264, 257, 41)
                                  << "Thrid, click the SAVE button to specify the name of your new shapefile," << ""
                                  << true;
        QTest::newRow("StatusBar1") << "StatusBar1" << QRect(0, 350, 604, 25) << "" << "" << true;
        QTest::newRow("Image1") << "Image1" << QRect(0, 0, 86, 351) << "" << "" << true;
        QTest::newRow("Line1") << "Line1" << QRect(88, 240, 513, 1) << "" << "" << true;
        QTest::newRow("Label1") << "Label1" << QRect(520, 256, 33, 17) << "Label1" << "" << false;
        QTest::newRow("Label2") << "Label2" << QRect(520, 272, 49, 25) << "Label2" << "" << false;
        QTest::newRow("Label3") << "Label3" << QRect(520, 288, 41, 17) << "Label3" << "" << false;
        QTest::newRow("Text2") << "Text2" << QRect(560, 256, 33, 19) << "Text2" << "" << false;
        QTest::newRow("Text3") << "Text3" << QRect(560, 280, 33, 19) << "Text3" << "" << false;
    }
    void layoutAndTexts() {
        QFETCH(QString, name);
        QFETCH(QRect, geometry);
        QFETCH(QString, text);
        QFETCH(QString, toolTip);
        QFETCH(bool, shown);
        showActive();
        QWidget* widget = control<QWidget>(name.toUtf8().constData());
        QCOMPARE(widget->geometry(), geometry);
        QCOMPARE(widget->toolTip(), toolTip);
        QCOMPARE(widget->isVisible(), shown);
        if (auto* button = qobject_cast<QPushButton*>(widget)) QCOMPARE(button->text(), text);
        if (auto* label = qobject_cast<QLabel*>(widget); label && !text.isEmpty()) QCOMPARE(label->text(), text);
        if (auto* edit = qobject_cast<QLineEdit*>(widget)) QCOMPARE(edit->text(), text);
    }

    void windowAsAWhole() {
        showActive();
        QCOMPARE(window_->windowTitle(), QString("Pictrak to Shapefile"));
        QCOMPARE(window_->size(), QSize(604, 375));
        QCOMPARE(status(), QString("Simply follow Steps 1-2-3"));
        QCOMPARE(control<QWidget>("Line1")->palette().color(QPalette::Window), QColor(0, 0, 255));
        QCOMPARE(control<QLabel>("Image1")->pixmap().size(), QSize(86, 351));
        const QIcon icon = window_->windowIcon();
        QCOMPARE(icon.availableSizes(), (QList<QSize>{QSize(32, 32), QSize(16, 16)}));
        const QImage readIcon = control<QPushButton>("cmdReadAll")->icon().pixmap(32).toImage();
        QVERIFY(readIcon != control<QPushButton>("cmdWrite")->icon().pixmap(32).toImage());
        QCOMPARE(control<FolderListWidget>("dirList")->path(), QDir::currentPath());
        QCOMPARE(control<FileListWidget>("fileList")->path(), QDir::currentPath());
    }

    void everyTextFitsItsBox() {
        showActive();
        for (const char* name : {"lblStep1", "lblStep2", "lblStep3"}) {
            auto* label = control<QLabel>(name);
            QVERIFY2(fits(label->font(), {label->text(), label->size(), true}), name);
        }
        auto* step1 = control<QLabel>("lblStep1");
        QVERIFY2(QFontMetrics(step1->font()).horizontalAdvance(step1->text()) <= 513, "the first step is one line");
        QVERIFY(window_->font().pixelSize() >= 9);
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

    void accessKeysReadAndSave() {
        QTemporaryDir photos, out;
        writePhoto(photos.filePath("a.jpg"), 10);
        writePhoto(photos.filePath("b.jpg"), -20);
        showActive();
        openFolder(photos.path());
        // An access key presses the button as a person sees it: the click follows a moment later.
        QTest::keyClick(window_.get(), Qt::Key_R, Qt::AltModifier);
        QTRY_COMPARE(status(), QString("2 Pictrak file(s) have been read..."));
        QCOMPARE(window_->values().photoCount, int16_t{2});

        dialog_.fileName = QFile::encodeName(out.filePath("trip.shp")).toStdString();
        QTest::keyClick(window_.get(), Qt::Key_S, Qt::AltModifier);
        QTRY_COMPARE(status(), "Conversion complete, " + out.filePath("trip.shp") + " saved.");
        QVERIFY(QFile::exists(out.filePath("trip.prj")));
        QCOMPARE(window_->values().pointCount, int16_t{2});
        QVERIFY(box_.shown.empty());
        QVERIFY(!QGuiApplication::overrideCursor());
    }

    void listsPhotoFilesOnly() {
        QTemporaryDir dir;
        for (const char* name : {"b.JPG", "A.jpg", "c.jpeg", ".hidden.jpg", "notes.txt", "Z.Jpg"})
            QFile(dir.filePath(name)).open(QIODevice::WriteOnly);
        QDir(dir.path()).mkdir("d.jpg");
        openFolder(dir.path());
        QCOMPARE(files(), (QStringList{"A.jpg", "b.JPG", "Z.Jpg"}));
    }

    void openingAFolderRefillsTheFilesAndClearsTheSelection() {
        QTemporaryDir dir;
        writePhoto(dir.filePath("top.jpg"), 1);
        QDir(dir.path()).mkdir("inner");
        writePhoto(dir.filePath("inner/x.jpg"), 2);
        writePhoto(dir.filePath("inner/y.jpg"), 3);
        showActive();
        openFolder(dir.path());
        QTest::mouseClick(control<QPushButton>("cmdReadAll"), Qt::LeftButton);
        const QString readStatus = status();

        auto* fileList = control<FileListWidget>("fileList");
        fileList->item(0)->setSelected(true);
        auto* dirList = control<FolderListWidget>("dirList");
        const QList<QTreeWidgetItem*> found = dirList->findItems("inner", Qt::MatchExactly | Qt::MatchRecursive);
        QCOMPARE(found.size(), 1);
        const QPoint at = dirList->visualItemRect(found[0]).center();
        QTest::mouseClick(dirList->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(dirList->path(), QDir::cleanPath(dir.path()));
        QCOMPARE(files(), QStringList{"top.jpg"});  // a single click only highlights

        QTest::mouseDClick(dirList->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(dirList->path(), QDir::cleanPath(dir.filePath("inner")));
        QCOMPARE(files(), (QStringList{"x.jpg", "y.jpg"}));
        QVERIFY(fileList->selectedItems().isEmpty());
        QCOMPARE(status(), readStatus);
        QCOMPARE(window_->values().photoCount, int16_t{1});  // the table read before stays

        // Return on the parent folder goes back up.
        const QList<QTreeWidgetItem*> parent =
            dirList->findItems(QFileInfo(dir.path()).fileName(), Qt::MatchExactly | Qt::MatchRecursive);
        QCOMPARE(parent.size(), 1);
        dirList->setCurrentItem(parent[0]);
        QTest::keyClick(dirList, Qt::Key_Return);
        QCOMPARE(files(), QStringList{"top.jpg"});
    }

    void selectionFeedsRead() {
        QTemporaryDir dir;
        for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) writePhoto(dir.filePath(name), 5);
        showActive();
        openFolder(dir.path());
        auto* fileList = control<FileListWidget>("fileList");
        QTest::mouseClick(fileList->viewport(), Qt::LeftButton, {}, fileList->visualItemRect(fileList->item(0)).center());
        QTest::mouseClick(fileList->viewport(), Qt::LeftButton, Qt::ControlModifier,
                          fileList->visualItemRect(fileList->item(2)).center());
        QCOMPARE(fileList->selectedItems().size(), 2);
        QTest::mouseClick(control<QPushButton>("cmdReadAll"), Qt::LeftButton);
        QCOMPARE(window_->values().photoCount, int16_t{2});
        const QString folder = QDir::cleanPath(dir.path());
        QCOMPARE(QString::fromStdString(window_->values().photoList.cell(0, colPath)), folder + "/a.jpg");
        QCOMPARE(QString::fromStdString(window_->values().photoList.cell(1, colPath)), folder + "/c.jpg");
    }

    void unhandledFailuresAreShownAndTheWindowCarriesOn() {
        QTemporaryDir photos, out;
        writePhoto(photos.filePath("a.jpg"), 10);
        showActive();
        openFolder(photos.path());
        QTest::mouseClick(control<QPushButton>("cmdReadAll"), Qt::LeftButton);
        QFile::remove(program_.filePath("latlongwgs84.prj"));

        dialog_.fileName = QFile::encodeName(out.filePath("trip.shp")).toStdString();
        QTest::mouseClick(control<QPushButton>("cmdWrite"), Qt::LeftButton);
        QCOMPARE(box_.shown.size(), size_t{1});
        const QString message = QString::fromStdString(box_.shown[0].prompt);
        QVERIFY2(message.startsWith("Run-time error '53':\n\nFile not found"), qPrintable(message));
        QCOMPARE(box_.shown[0].title, std::string());
        QVERIFY(window_->isVisible());
        QCOMPARE(window_->values().photoCount, int16_t{1});
        QVERIFY(QFile::exists(out.filePath("trip.shp")));
        QCOMPARE(status(), QString("1 Pictrak file(s) have been read..."));
        QVERIFY(!QGuiApplication::overrideCursor());

        // A folder that vanished before the list could move to it.
        QDir(photos.path()).mkdir("gone");
        QDir(photos.path()).rmdir("gone");
        openFolder(photos.filePath("gone"));
        QCOMPARE(box_.shown.size(), size_t{2});
        QVERIFY(QString::fromStdString(box_.shown[1].prompt).startsWith("Run-time error '76':"));

        openFolder(photos.path());
        QTest::mouseClick(control<QPushButton>("cmdReadAll"), Qt::LeftButton);
        QCOMPARE(status(), QString("1 Pictrak file(s) have been read..."));
    }

    void aFolderOfMoreThan32767PhotosIsRefusedWithTheTableKept() {
        QTemporaryDir small, huge;
        writePhoto(small.filePath("a.jpg"), 10);
        for (int i = 0; i < 32768; ++i) QFile(huge.filePath(QString("IMG_%1.jpg").arg(i, 5, 10, QChar('0')))).open(QIODevice::WriteOnly);
        showActive();
        openFolder(small.path());
        QTest::mouseClick(control<QPushButton>("cmdReadAll"), Qt::LeftButton);
        openFolder(huge.path());
        QCOMPARE(control<FileListWidget>("fileList")->count(), 32768);
        QTest::mouseClick(control<QPushButton>("cmdReadAll"), Qt::LeftButton);
        QCOMPARE(box_.shown.size(), size_t{1});
        const QString message = QString::fromStdString(box_.shown[0].prompt);
        QVERIFY2(message.startsWith("Run-time error '6':") && message.contains("32768") && message.contains("32767"),
                 qPrintable(message));
        QCOMPARE(window_->values().photoCount, int16_t{1});
        QCOMPARE(status(), QString("1 Pictrak file(s) have been read..."));
    }
};

QTEST_MAIN(WindowTest)
#include "window_test.moc"
