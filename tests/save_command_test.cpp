// The Save command from the dialog to the projection file, and every way the output can
// fail: each is reported with the file concerned, the photo table survives, files written
// before stay, and nothing is reported as done that was not.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "Fakes.h"
#include "PhotoMaker.h"
#include "Readers.h"
#include "TempDir.h"
#include "Unprivileged.h"
#include "output/SaveCommand.h"
#include "output/ShapelibShapeFiles.h"

#ifndef PICTRAK_PRJ
#define PICTRAK_PRJ ""
#endif

namespace fs = std::filesystem;

namespace {
struct SaveFixture : ::testing::Test {
    TempDir program, out;
    WorkingValues values;
    FakeSaveDialog dialog;
    FakeMessageBox box;
    FakeStatusBar status;
    ShapelibShapeFiles shapeOut;
    FakeFileSystem files;
    SaveCommand save{values, dialog, box, status, shapeOut, files};

    void SetUp() override {
        for (const std::string* folder : {&program.path(), &out.path()}) fs::permissions(*folder, fs::perms::all);
        files.appPath = program.path();
        fs::copy_file(PICTRAK_PRJ, program / "latlongwgs84.prj");
        photos(2);
        values.photoList.cell(1, colLatitude) = "";  // no position
    }
    // A photo table as Read leaves it, every photo placed but those cleared afterwards.
    void photos(int count) {
        values.photoList.resize(count);
        values.photoCount = static_cast<int16_t>(count);
        for (int r = 0; r < count; ++r) {
            values.photoList.cell(r, colPath) = "/p/" + std::to_string(r) + ".jpg";
            values.photoList.cell(r, colLatitude) = std::to_string(r % 80) + " Degrees 59 Minutes 30 Seconds N";
            values.photoList.cell(r, colLongitude) = "91 Degrees 30 Minutes 15 Seconds W";
        }
    }
    // The error a Save ends with: its number, and whether its description names `file`.
    std::pair<int, bool> trySave(const std::string& name, const std::string& file) {
        dialog.fileName = name;
        try {
            save.cmdWrite_Click();
        } catch (const RuntimeError& e) {
            return {e.number(), e.description().find(file) != std::string::npos};
        }
        return {0, false};
    }
};
}  // namespace

TEST_F(SaveFixture, WritesShapefileAndProjectionAndSaysSo) {
    std::ofstream(out / "points.prj") << std::string(2000, 'x');  // longer than ours: nothing of it may stay
    dialog.fileName = out / "points";
    save.cmdWrite_Click();
    EXPECT_TRUE(dialog.cancelError);
    EXPECT_EQ(dialog.flags, 4);
    EXPECT_EQ(dialog.filter, "Shapefile (*.shp)|*.shp|");
    EXPECT_EQ(dialog.filterIndex, 1);
    EXPECT_EQ(values.saveState, saveConverted);
    EXPECT_EQ(values.shapePath, out / "points.shp");
    EXPECT_EQ(runCommand("cmp " + quoted(PICTRAK_PRJ) + " " + quoted(out / "points.prj")), "");
    EXPECT_FALSE(fs::exists(out / "po.prj"));
    EXPECT_EQ(status.text, "Conversion complete, " + out / "points.shp" + " saved.");
    EXPECT_EQ(values.pointCount, 1);
    EXPECT_TRUE(box.shown.empty());
}

TEST_F(SaveFixture, CancelAndAFailedConversionWriteNothing) {
    values.shapePath = "/earlier.shp";
    dialog.cancel = true;
    save.cmdWrite_Click();
    EXPECT_EQ(values.saveState, saveCancelled);
    EXPECT_EQ(values.shapePath, "/earlier.shp");
    EXPECT_TRUE(box.shown.empty());

    dialog.cancel = false;
    values.photoList.cell(1, colLatitude) = "x Degrees 1 Minutes 1 Seconds";
    dialog.fileName = out / "bad.shp";
    save.cmdWrite_Click();
    EXPECT_EQ(values.saveState, saveNamed);
    EXPECT_EQ(box.shown.size(), 1u);
    EXPECT_TRUE(fs::is_empty(out.path()));
    EXPECT_EQ(status.text, "Simply follow Steps 1-2-3");
}

TEST_F(SaveFixture, SaveBeforeAnyReadWritesAnEmptyShapefile) {
    WorkingValues fresh;
    values = fresh;
    dialog.fileName = out / "nothing.shp";
    save.cmdWrite_Click();
    EXPECT_EQ(values.saveState, saveConverted);
    const PyshpView view = readWithPyshp(out / "nothing.shp");
    EXPECT_EQ(view.shapeType, 1) << view.raw;
    EXPECT_EQ(view.fields.size(), 5u);
    EXPECT_TRUE(view.records.empty());
    EXPECT_TRUE(fs::exists(out / "nothing.prj"));
    EXPECT_EQ(status.text, "Conversion complete, " + out / "nothing.shp" + " saved.");
}

TEST_F(SaveFixture, OutputThatCannotBeWrittenIsReportedWithItsFile) {
    photos(3);
    fs::create_directory(out / "locked");
    fs::permissions(out / "locked", fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read |
                                        fs::perms::others_exec);
    std::ofstream(out / "ro.prj") << "someone else's";
    fs::permissions(out / "ro.prj", fs::perms::owner_read | fs::perms::others_read);
    struct Case {
        std::string why, name;
        int error;
        std::string file;  // the file the message names
        bool shapefileWritten;
    } cases[] = {
        {"read-only output folder", out / "locked/trip.shp", errPermissionDenied, out / "locked/trip.shp", false},
        {"folder that does not exist", out / "missing/trip.shp", errPathNotFound, out / "missing/trip.shp", false},
        {"read-only projection beside it", out / "ro.shp", errPermissionDenied, out / "ro.prj", true},
        {"projection missing beside the program", out / "noprj.shp", errFileNotFound, program / "latlongwgs84.prj",
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        if (c.error == errFileNotFound) fs::remove(program / "latlongwgs84.prj");
        // As an ordinary user: the superuser may write anywhere.
        EXPECT_EQ(inChildProcess([&] {
                      const auto [error, named] = trySave(c.name, c.file);
                      return named ? error : 255;
                  }),
                  c.error);
        EXPECT_EQ(values.photoCount, 3);
        if (c.shapefileWritten) EXPECT_EQ(readWithPyshp(c.name).records.size(), 3u);
        else EXPECT_FALSE(fs::exists(c.name));
    }
}

TEST_F(SaveFixture, DiskFillingUpDuringTheWritingIsReportedAndTheWholeRecordsStay) {
    photos(40);
    // A file may grow to 2 KiB: the attribute table fills up after a few records.
    const int error = inChildProcess([&] {
        const auto [number, named] = trySave(out / "full.shp", out / "full.dbf");
        return named ? number : 255;
    }, 2048);
    EXPECT_EQ(error, errDiskFull);
    EXPECT_FALSE(fs::exists(out / "full.prj")) << "a failed writing is not finished as if it had worked";
    // The records that fitted stay readable, in both files alike.
    const PyshpView view = readWithPyshp(out / "full.shp");
    EXPECT_GT(view.records.size(), 0u) << view.raw;
    EXPECT_LT(view.records.size(), 40u);
    EXPECT_NE(ogrinfo(out / "full.shp", true).find("Feature Count: " + std::to_string(view.records.size())),
              std::string::npos);
}
