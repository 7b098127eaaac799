#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <sstream>

#include "FaultyPlatform.h"
#include "ReadSetup.h"
#include "Readers.h"
#include "SharedPhotos.h"
#include "TempDir.h"
#include "intake/ExifTagReader.h"
#include "output/SaveCommand.h"
#include "output/ShapelibShapeFiles.h"

#ifndef PICTRAK_PRJ
#define PICTRAK_PRJ ""
#endif

// Read and Save over the real photos with the real reader and control; every photo that
// exiftool places at a real position must be a point at that position with its camera
// time, and no other photo may become a point (a position of one value, a latitude of
// 213 degrees, a position stored as text).
TEST(EndToEnd, RealPhotosLandWhereExiftoolPutsThem) {
    const std::string folder = sharedPhotos();
    SKIP_WITHOUT_SHARED_PHOTOS(folder);
    if (std::string why; !independentReaders(why) || !haveCommand("exiftool"))
        GTEST_SKIP() << (why.empty() ? "exiftool is missing" : why);

    FaultyPlatform platform;
    ReadSetup reading(platform, exifTagReaderFactory(platform));
    WorkingValues& values = reading.values;
    FakeMessageBox& box = reading.box;
    FakeStatusBar& status = reading.status;
    reading.dirList.path = folder;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.path().extension() != ".md") reading.fileList.entries.push_back(entry.path().filename().string());
    ::testing::internal::CaptureStderr();
    ASSERT_TRUE(reading.readAll());
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "") << "libexif must not talk";
    EXPECT_EQ(status.text, "40 Pictrak file(s) have been read...");

    TempDir out, program;
    std::filesystem::copy_file(PICTRAK_PRJ, program / "latlongwgs84.prj");
    FakeSaveDialog dialog;
    dialog.fileName = out / "real.shp";
    ShapelibShapeFiles shapeOut(platform);
    platform.programFolder = program.path();
    const size_t messagesAfterRead = box.shown.size();
    SaveCommand(values, dialog, box, status, shapeOut, platform).cmdWrite_Click();
    ASSERT_EQ(box.shown.size(), messagesAfterRead) << "the conversion failed";
    ASSERT_EQ(status.text, "Conversion complete, " + out / "real.shp" + " saved.");

    std::map<std::string, PyshpRecord> points;  // by photo path
    for (const PyshpRecord& r : readWithPyshp(out / "real.shp").records) points[r.values.at(1)] = r;

    std::istringstream exif(runCommand("exiftool -q -q -n -T -FileName -EXIF:GPSLatitude -EXIF:GPSLongitude "
                                       "-EXIF:GPSLatitudeRef -EXIF:GPSLongitudeRef -IFD0:ModifyDate " + quoted(folder)));
    int placed = 0;
    for (std::string line; std::getline(exif, line);) {
        std::istringstream fields(line);
        std::string name, lat, lon, latRef, lonRef, taken;
        for (std::string* field : {&name, &lat, &lon, &latRef, &lonRef, &taken}) std::getline(fields, *field, '\t');
        if (lat == "-" || lon == "-" || lat.empty() || lon.empty()) continue;
        const double latitude = std::stod(lat) * (latRef == "S" ? -1 : 1);
        const double longitude = std::stod(lon) * (lonRef == "W" ? -1 : 1);
        if (std::fabs(latitude) > 90 || std::fabs(longitude) > 180) continue;  // no place on Earth
        if (name == "geodegrees_as_string.jpg") continue;  // stored as text, not the rationals a position takes
        SCOPED_TRACE(name);
        const auto point = points.find(folder + "/" + name);
        ASSERT_NE(point, points.end());
        EXPECT_NEAR(point->second.x, longitude, 1e-9);
        EXPECT_NEAR(point->second.y, latitude, 1e-9);
        EXPECT_FALSE(std::signbit(point->second.x) && longitude == 0) << "-0 on the prime meridian";
        EXPECT_EQ(point->second.values.at(2), taken == "-" ? "" : taken);
        points.erase(point);
        ++placed;
    }
    EXPECT_GE(placed, 15);
    // What is left are points exiftool could not check: photos whose JPEG structure it gives up on.
    for (const auto& [path, point] : points) {
        const std::string name = std::filesystem::path(path).filename().string();
        EXPECT_TRUE(name == "2012-12-19-21-38-40-sep-temple_square1.jpg" || name == "max_uint32_exif.jpg") << name;
    }
}
