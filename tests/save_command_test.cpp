#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "Fakes.h"
#include "TempDir.h"
#include "output/SaveCommand.h"
#include "output/ShapelibShapeFiles.h"

#ifndef PICTRAK_PRJ
#define PICTRAK_PRJ ""
#endif

namespace {
std::string fileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

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
        files.appPath = program.path();
        std::filesystem::copy_file(PICTRAK_PRJ, program / "latlongwgs84.prj");
        values.photoList.resize(2);
        values.photoCount = 2;
        values.photoList.cell(0, colPath) = "/p/a.jpg";
        values.photoList.cell(0, colLatitude) = "41 Degrees 59 Minutes 30 Seconds N";
        values.photoList.cell(0, colLongitude) = "91 Degrees 30 Minutes 15 Seconds W";
        values.photoList.cell(1, colPath) = "/p/b.jpg";  // no position
    }
};
}  // namespace

TEST_F(SaveFixture, WritesShapefileAndProjectionAndSaysSo) {
    dialog.fileName = out / "points";
    save.cmdWrite_Click();
    EXPECT_TRUE(dialog.cancelError);
    EXPECT_EQ(dialog.flags, 4);
    EXPECT_EQ(dialog.filter, "Shapefile (*.shp)|*.shp|");
    EXPECT_EQ(dialog.filterIndex, 1);
    EXPECT_EQ(values.saveState, saveConverted);
    EXPECT_EQ(values.shapePath, out / "points.shp");
    EXPECT_EQ(fileText(out / "points.prj"), fileText(PICTRAK_PRJ));
    EXPECT_FALSE(std::filesystem::exists(out / "po.prj"));
    EXPECT_EQ(status.text, "Conversion complete, " + out / "points.shp" + " saved.");
    EXPECT_EQ(values.pointCount, 1);
    EXPECT_TRUE(box.shown.empty());
}

TEST_F(SaveFixture, CancelIsSilentAndKeepsTheLastName) {
    values.shapePath = "/earlier.shp";
    dialog.cancel = true;
    save.cmdWrite_Click();
    EXPECT_EQ(values.saveState, saveCancelled);
    EXPECT_EQ(values.shapePath, "/earlier.shp");
    EXPECT_EQ(status.text, "Simply follow Steps 1-2-3");
    EXPECT_TRUE(box.shown.empty());
    EXPECT_TRUE(std::filesystem::is_empty(out.path()));
}

TEST_F(SaveFixture, FailedConversionWritesNothing) {
    values.photoList.cell(1, colLatitude) = "x Degrees 1 Minutes 1 Seconds";
    values.photoList.cell(1, colLongitude) = "1 Degrees 1 Minutes 1 Seconds";
    dialog.fileName = out / "bad.shp";
    save.cmdWrite_Click();
    EXPECT_EQ(values.saveState, saveNamed);
    EXPECT_EQ(box.shown.size(), 1u);
    EXPECT_TRUE(std::filesystem::is_empty(out.path()));
    EXPECT_EQ(status.text, "Simply follow Steps 1-2-3");
}

TEST_F(SaveFixture, SaveBeforeAnyReadWritesAnEmptyShapefile) {
    WorkingValues fresh;
    values = fresh;
    dialog.fileName = out / "nothing.shp";
    save.cmdWrite_Click();
    EXPECT_EQ(values.saveState, saveConverted);
    EXPECT_TRUE(std::filesystem::exists(out / "nothing.dbf"));
    EXPECT_TRUE(std::filesystem::exists(out / "nothing.prj"));
    EXPECT_EQ(status.text, "Conversion complete, " + out / "nothing.shp" + " saved.");
}
