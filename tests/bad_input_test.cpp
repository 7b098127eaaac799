// Every bad input answered with its message, and nothing lost: the photo table survives,
// files written before stay, nothing is reported as done that was not.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "Fakes.h"
#include "PhotoMaker.h"
#include "Readers.h"
#include "TempDir.h"
#include "Unprivileged.h"
#include "intake/ExifTagReader.h"
#include "intake/ReadCommand.h"
#include "output/SaveCommand.h"
#include "output/ShapelibShapeFiles.h"

#ifndef PICTRAK_PRJ
#define PICTRAK_PRJ ""
#endif

namespace fs = std::filesystem;

namespace {
photo::Recipe placed(double latitude) {
    photo::Recipe recipe;
    recipe.latitude = photo::dms(latitude);
    recipe.longitude = photo::dms(10);
    recipe.latitudeRef = "N";
    recipe.longitudeRef = "E";
    recipe.dateTime = "2024:01:01 00:00:00";
    return recipe;
}

// A folder that the unprivileged child may use too.
void openToAll(const std::string& folder) { fs::permissions(folder, fs::perms::all); }

struct Session {
    WorkingValues values;
    FakeFolderList dirList;
    FakeFileList fileList;
    FakeMessageBox box;
    FakeStatusBar status;
    FakeSaveDialog dialog;
    ShapelibShapeFiles shapeOut;
    FakeFileSystem files;
    KernelReadAhead readAhead;
    ReadCommand read{values, dirList, fileList, box, status, exifTagReaderFactory(), readAhead};
    SaveCommand save{values, dialog, box, status, shapeOut, files};

    // The error number a Save ends with, 0 when it ends normally.
    int trySave(const std::string& name) {
        dialog.fileName = name;
        try {
            save.cmdWrite_Click();
        } catch (const RuntimeError& e) {
            return e.number();
        }
        return 0;
    }
};

struct BadInput : ::testing::Test {
    TempDir photos, out, program;
    Session s;

    void SetUp() override {
        for (const std::string* folder : {&photos.path(), &out.path(), &program.path()}) openToAll(*folder);
        fs::copy_file(PICTRAK_PRJ, program / "latlongwgs84.prj");
        s.files.appPath = program.path();
        s.dirList.path = photos.path();
    }
    void readPhotos(int count) {
        for (int i = 0; i < count; ++i) {
            const std::string name = "p" + std::to_string(i) + ".jpg";
            photo::write(photos / name, placed(i % 80));
            s.fileList.entries.push_back(name);
        }
        s.read.cmdReadAll_Click();
        ASSERT_TRUE(s.box.shown.empty());
    }
    // Nothing of the photo table or the status bar was lost.
    void expectReadTableIntact(int count) {
        EXPECT_EQ(s.values.photoCount, count);
        EXPECT_EQ(s.values.photoList.cell(count - 1, colPath), photos / ("p" + std::to_string(count - 1) + ".jpg"));
        EXPECT_NE(s.values.photoList.cell(count - 1, colLatitude), "");
        EXPECT_EQ(s.status.text, std::to_string(count) + " Pictrak file(s) have been read...");
    }
};
}  // namespace

TEST_F(BadInput, BrokenPhotosAreAnnouncedOneByOneAndTheRestIsRead) {
    const std::vector<uint8_t> good = photo::make(placed(45));
    struct Case {
        std::string file;
        std::vector<uint8_t> bytes;
        std::string message;
    } cases[] = {
        {"a-empty.jpg", {}, "Error Encountered: file is empty"},
        {"b-good.jpg", good, ""},
        {"c-truncated.jpg", {good.begin(), good.begin() + 100}, ""},  // what its EXIF still holds is read
        {"d-png.jpg", {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}, "Error Encountered: not a JPEG file"},
        {"e-heic.jpg", {0, 0, 0, 0x18, 'f', 't', 'y', 'p', 'h', 'e', 'i', 'c', 0, 0, 0, 0}, "Error Encountered: not a JPEG file"},
        {"f-good.jpg", good, ""},
    };
    std::vector<std::string> expected;
    for (const Case& c : cases) {
        photo::writeBytes(photos / c.file, c.bytes);
        s.fileList.entries.push_back(c.file);
        if (!c.message.empty()) expected.push_back(c.message);
    }
    s.read.cmdReadAll_Click();
    std::vector<std::string> shown;
    for (const ShownMessage& m : s.box.shown) shown.push_back(m.prompt);
    EXPECT_EQ(shown, expected);
    EXPECT_EQ(s.status.text, "6 Pictrak file(s) have been read...");
    EXPECT_NE(s.values.photoList.cell(1, colLatitude), "");
    EXPECT_NE(s.values.photoList.cell(5, colLatitude), "");
    EXPECT_EQ(s.values.photoList.cell(2, colLatitude), "");
    EXPECT_EQ(s.values.photoList.cell(3, colPath), photos / "d-png.jpg");
}

TEST_F(BadInput, UnreadablePhotoIsAnnounced) {
    photo::write(photos / "locked.jpg", placed(1));
    fs::permissions(photos / "locked.jpg", fs::perms::owner_write);
    const int told = inChildProcess([&] {
        ExifTagReader reader;
        reader.OpenPhoto(photos / "locked.jpg");
        return reader.ErrorText() == "permission denied" ? 1 : 0;
    });
    EXPECT_EQ(told, 1);
}

TEST_F(BadInput, FolderThatVanishesBeforeTheReadingKeepsItsPaths) {
    for (const char* name : {"a.jpg", "b.jpg"}) {
        photo::write(photos / name, placed(3));
        s.fileList.entries.push_back(name);
    }
    s.read.MakeList();
    fs::remove_all(photos.path());
    s.read.ReadTags();
    ASSERT_EQ(s.box.shown.size(), 2u);
    EXPECT_EQ(s.box.shown[0].prompt, "Error Encountered: no such file");
    EXPECT_EQ(s.values.photoCount, 2);
    EXPECT_EQ(s.values.photoList.cell(1, colPath), photos / "b.jpg");
    EXPECT_EQ(s.status.text, "2 Pictrak file(s) have been read...");
}

TEST_F(BadInput, OutputThatCannotBeWrittenIsReportedAndNothingIsLost) {
    readPhotos(3);
    struct Case {
        std::string name;
        std::function<std::string()> arrange;  // returns the name to save as
        int error;
        bool shapefileWritten;
    } cases[] = {
        {"read-only output folder",
         [&] {
             fs::create_directory(out / "locked");
             fs::permissions(out / "locked", fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read |
                                                  fs::perms::others_exec);
             return out / "locked/trip.shp";
         },
         errPermissionDenied, false},
        {"folder that does not exist", [&] { return out / "missing/trip.shp"; }, errPathNotFound, false},
        {"read-only projection beside it",
         [&] {
             std::ofstream(out / "ro.prj") << "someone else's";
             fs::permissions(out / "ro.prj", fs::perms::owner_read | fs::perms::others_read);
             return out / "ro.shp";
         },
         errPermissionDenied, true},
        {"projection missing beside the program",
         [&] {
             fs::remove(program / "latlongwgs84.prj");
             return out / "noprj.shp";
         },
         errFileNotFound, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string name = c.arrange();
        EXPECT_EQ(inChildProcess([&] { return s.trySave(name); }), c.error);
        expectReadTableIntact(3);
        if (c.shapefileWritten) EXPECT_EQ(readWithPyshp(name).records.size(), 3u);
        else EXPECT_FALSE(fs::exists(name));
    }
}

TEST_F(BadInput, DiskFillingUpDuringTheWritingIsReported) {
    readPhotos(40);
    // A file may grow to 2 KiB: the attribute table fills up after a few records.
    const int error = inChildProcess([&] { return s.trySave(out / "full.shp"); }, 2048);
    EXPECT_EQ(error, errDiskFull);
    EXPECT_FALSE(fs::exists(out / "full.prj")) << "a failed writing is not finished as if it had worked";
    expectReadTableIntact(40);
    // The records that fitted stay readable, in both files alike.
    const PyshpView view = readWithPyshp(out / "full.shp");
    EXPECT_GT(view.records.size(), 0u) << view.raw;
    EXPECT_LT(view.records.size(), 40u);
    EXPECT_NE(ogrinfo(out / "full.shp", true).find("Feature Count: " + std::to_string(view.records.size())),
              std::string::npos);
}

TEST_F(BadInput, SavingTwiceToTheSameNameReplacesEverything) {
    readPhotos(3);
    ASSERT_EQ(s.trySave(out / "twice.shp"), 0);
    s.fileList.entries = {"p0.jpg"};
    s.read.cmdReadAll_Click();
    ASSERT_EQ(s.trySave(out / "twice.shp"), 0);
    EXPECT_EQ(readWithPyshp(out / "twice.shp").records.size(), 1u);
    EXPECT_NE(ogrinfo(out / "twice.shp", true).find("Feature Count: 1"), std::string::npos);
    EXPECT_EQ(s.status.text, "Conversion complete, " + out / "twice.shp" + " saved.");
}
