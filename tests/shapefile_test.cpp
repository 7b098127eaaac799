#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "Readers.h"
#include "SharedPhotos.h"
#include "TempDir.h"
#include "output/FileCopy.h"
#include "output/ShapeWriter.h"
#include "output/ShapefileName.h"
#include "output/ShapefileReplacement.h"
#include "output/ShapelibShapeFiles.h"
#include "tables/RuntimeError.h"

#ifndef PICTRAK_PRJ
#define PICTRAK_PRJ ""
#endif

namespace {
struct Row {
    std::string path, latitude, longitude, dateTime, gpsDate, gpsTime;
};

void setRows(WorkingValues& v, const std::vector<Row>& rows) {
    v.pointList.resize(static_cast<int>(rows.size()));
    v.pointCount = static_cast<int16_t>(rows.size());
    for (int r = 0; r < v.pointCount; ++r) {
        const Row& row = rows[r];
        const std::string cells[] = {row.path, row.latitude, row.longitude, row.dateTime, row.gpsDate, row.gpsTime};
        for (int c = 0; c < 6; ++c) v.pointList.cell(r, c) = cells[c];
    }
}

struct ShapefileFixture : ::testing::Test {
    void SetUp() override {
        if (std::string why; !independentReaders(why)) GTEST_SKIP() << why;
    }
    TempDir dir;
    WorkingValues values;
    std::unique_ptr<Platform> platform = systemPlatform();
    ShapelibShapeFiles control{*platform};
    ShapeWriter writer{values, control};

    // Written and put in place as a Save does.
    PyshpView write(const std::string& name, const std::vector<Row>& rows) {
        setRows(values, rows);
        values.shapePath = dir / name;
        const std::string base = shapefileBase(values.shapePath);
        ShapefileReplacement replacement(*platform, base);
        writer.WriteShape();
        FilePrints written = control.Written();
        written[writtenAside(base + ".prj")] = copyFile(*platform, PICTRAK_PRJ, writtenAside(base + ".prj"));
        replacement.commit(written);
        return readWithPyshp(values.shapePath);
    }
};

}  // namespace

TEST_F(ShapefileFixture, PointsAndAttributesAsOtherReadersSeeThem) {
    const PyshpView view = write("trip.shp", {
        {"/trip/a.jpg", " 41.9916666666667", " 91.5041666666667", "2020:01:02 03:04:05", "2020:01:02", "03:04:05"},
        {"/trip/b.jpg", "-33.6161111111111", "-151.2", "", "", ""},
        {"/trip/c.jpg", " 0.5", "-10.5", "x", "y", "z"},
    });
    ASSERT_EQ(view.shapeType, 1) << view.raw;
    EXPECT_EQ(view.fields, (std::vector<std::string>{"Point_id N 9 0", "Photo C 50 0", "DateTime_ C 20 0",
                                                     "Date_GPS C 12 0", "Time_GPS C 10 0"}));
    ASSERT_EQ(view.records.size(), 3u);
    EXPECT_DOUBLE_EQ(view.records[0].x, -91.5041666666667);
    EXPECT_DOUBLE_EQ(view.records[0].y, 41.9916666666667);
    EXPECT_DOUBLE_EQ(view.records[1].x, 151.2);
    EXPECT_DOUBLE_EQ(view.records[1].y, -33.6161111111111);
    EXPECT_DOUBLE_EQ(view.records[2].x, 10.5) << "the negation does not look at the sign";
    EXPECT_EQ(view.records[0].values, (std::vector<std::string>{"1", "/trip/a.jpg", "2020:01:02 03:04:05",
                                                                "2020:01:02", "03:04:05"}));
    EXPECT_EQ(view.records[2].values[0], "3");
    EXPECT_DOUBLE_EQ(view.bbox[0], -91.5041666666667);
    EXPECT_DOUBLE_EQ(view.bbox[3], 41.9916666666667);

    const std::string schema = ogrinfo(values.shapePath, true);
    EXPECT_NE(schema.find("Geometry: Point"), std::string::npos) << schema;
    EXPECT_NE(schema.find("Feature Count: 3"), std::string::npos) << schema;
    EXPECT_NE(schema.find("Point_id: Integer (9.0)"), std::string::npos) << schema;
    EXPECT_NE(schema.find("DateTime_: String (20.0)"), std::string::npos) << schema;
}

TEST_F(ShapefileFixture, LongAndNonAsciiTextsArriveWhole) {
    const std::string accented = "/photos/Café Zürich/été.jpg";
    const std::string latin1 = "/photos/lat1\xe9.jpg", overlong = "/\xc0\xafx\xed\xa0\x80.jpg";
    const std::string long200 = "/" + std::string(194, 'p') + ".jpg";
    // At the dBASE limit of 254 bytes: whole; one byte past it: cut; a character across it: left out.
    const std::string at254(254, 'a'), past254(255, 'b'), across254 = std::string(253, 'c') + "é";
    std::string long300;  // 300 bytes of two-byte characters after one ASCII byte: a cut must not split one
    long300 += "/";
    while (long300.size() < 300) long300 += "é";
    const PyshpView view = write("texts.shp", {
        {accented, " 1", " 1", "", "", ""},
        {long200, " 2", " 2", "", "", ""},
        {long300, " 3", " 3", "", "", ""},
        {latin1, " 4", " 4", "", "", ""},
        {overlong, " 5", " 5", "", "", ""},
        {at254, " 6", " 6", past254, across254, ""},
    });
    ASSERT_EQ(view.records.size(), 6u) << view.raw;
    EXPECT_EQ(view.records[5].values[1], at254);
    EXPECT_EQ(view.records[5].values[2], past254.substr(0, 254));
    EXPECT_EQ(view.records[5].values[3], across254.substr(0, 253));
    // A byte that is no part of a UTF-8 character becomes U+FFFD.
    EXPECT_EQ(view.records[3].values[1], "/photos/lat1\uFFFD.jpg");
    EXPECT_EQ(view.records[4].values[1], "/\uFFFD\uFFFDx\uFFFD\uFFFD\uFFFD.jpg");
    EXPECT_EQ(view.records[0].values[1], accented);
    EXPECT_EQ(view.records[1].values[1], long200);
    EXPECT_EQ(view.records[2].values[1], long300.substr(0, 253)) << "cut to 254 bytes, back to a whole character";
    EXPECT_EQ(view.fields[1], "Photo C 254 0");

    const std::string all = ogrinfo(values.shapePath, false);
    EXPECT_NE(all.find("Photo (String) = " + accented), std::string::npos) << all.substr(0, 2000);
    EXPECT_NE(all.find("Photo (String) = " + long200), std::string::npos);
}

TEST_F(ShapefileFixture, APointAtZeroZeroIsInsideTheBoundsAndNotAtMinusZero) {
    const PyshpView view = write("zero.shp", {{"a", " 0", " 0", "", "", ""}, {"b", " 20", "-10", "", "", ""}});
    EXPECT_EQ(std::vector<double>(view.bbox, view.bbox + 4), (std::vector<double>{0, 0, 10, 20})) << view.raw;
    ASSERT_EQ(view.records.size(), 2u);
    EXPECT_FALSE(std::signbit(view.records[0].x)) << view.raw;
    EXPECT_NE(ogrinfo(values.shapePath, false).find("POINT (0 0)"), std::string::npos);
}

TEST_F(ShapefileFixture, NamesEndInShpAndAreReplacedWhole) {
    write("points", {{"a", " 1", " 1", "", "", ""}, {"b", " 2", " 2", "", "", ""}});
    EXPECT_EQ(values.shapePath, dir / "points.shp") << "the path names the file written";
    std::ofstream(dir / "points.qix") << "stale index";

    const PyshpView again = write("points.SHP", {{"c", " 3", " 3", "", "", ""}});
    EXPECT_EQ(values.shapePath, dir / "points.shp");
    ASSERT_EQ(again.records.size(), 1u);
    EXPECT_EQ(again.records[0].values[1], "c");
    EXPECT_FALSE(std::filesystem::exists(dir / "points.qix"));
    EXPECT_EQ(fileBytes(dir / "points.cpg"), "UTF-8");

    const PyshpView other = write("other.shp", {{"d", " 4", " 4", "", "", ""}});
    EXPECT_EQ(other.records.size(), 1u);
    EXPECT_EQ(readWithPyshp(dir / "points.shp").records.size(), 1u) << "an earlier writing stays as it was";
}
