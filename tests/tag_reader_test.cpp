#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <future>
#include <tuple>

#include "FaultyPlatform.h"
#include "PhotoMaker.h"
#include "ReadSetup.h"
#include "TempDir.h"
#include "intake/ExifTagReader.h"
#include "intake/TagNames.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {
struct Texts {
    std::string error, latitude, longitude, dateTime, gpsDate, gpsTime;
};

Texts readPhoto(const std::string& path, Platform& platform) {
    ExifTagReader reader(platform);
    reader.OpenPhoto(path);
    return {reader.ErrorText(),           reader.TagText("GPSLatitude"),  reader.TagText("GPSLongitude"),
            reader.TagText("DateTime"),   reader.TagText("GPSDateStamp"), reader.TagText("GPSTimeStamp")};
}

Texts readPhoto(const std::string& path) {
    const std::unique_ptr<Platform> platform = systemPlatform();
    return readPhoto(path, *platform);
}

photo::Recipe gpsRecipe(std::optional<photo::Triple> latitude, std::optional<photo::Triple> longitude,
                        std::string latitudeRef = "", std::string longitudeRef = "", bool bigEndian = false) {
    photo::Recipe recipe;
    std::tie(recipe.latitude, recipe.longitude, recipe.latitudeRef, recipe.longitudeRef, recipe.bigEndian) =
        std::tie(latitude, longitude, latitudeRef, longitudeRef, bigEndian);
    return recipe;
}
}  // namespace

TEST(ExifTagReader, TextsOfMadePhotos) {
    using photo::triple;
    struct Case {
        std::string name;
        photo::Recipe recipe;
        std::string latitude, longitude;
    } cases[] = {
        {"fractional minutes, big-endian",
         gpsRecipe(triple({{41, 1}, {5118, 100}, {0, 1}}), triple({{12, 1}, {2933, 100}, {0, 1}}), "N", "E", true),
         "41 Degrees 51.18 Minutes 0 Seconds N", "12 Degrees 29.33 Minutes 0 Seconds E"},
        {"signed rationals, little-endian",
         gpsRecipe(triple({{33, 1}, {36, 1}, {58, 1}}, EXIF_FORMAT_SRATIONAL),
                 triple({{25, 1}, {49, 1}, {79932, 10000}}, EXIF_FORMAT_SRATIONAL), "S", "E"),
         "33 Degrees 36 Minutes 58 Seconds S", "25 Degrees 49 Minutes 7.9932 Seconds E"},
        {"numerators beyond 2^31",
         gpsRecipe(triple({{3000000000LL, 100000000}, {0, 1}, {4294967295LL, 4294967295LL}}),
                 triple({{0, 1}, {0, 1}, {0, 1}}), "n", "w"),
         "30 Degrees 0 Minutes 1 Seconds N", "0 Degrees 0 Minutes 0 Seconds W"},
        {"no reference letters", gpsRecipe(photo::dms(45.5), photo::dms(122.25)), "45 Degrees 30 Minutes 0 Seconds",
         "122 Degrees 15 Minutes 0 Seconds"},
        {"letters padded with blanks", gpsRecipe(photo::dms(1), photo::dms(2), " S", "  e "),
         "1 Degrees 0 Minutes 0 Seconds S", "2 Degrees 0 Minutes 0 Seconds E"},
        {"a zero denominator", gpsRecipe(triple({{41, 1}, {0, 0}, {0, 1}}), photo::dms(1), "N", "X"), "",
         "1 Degrees 0 Minutes 0 Seconds"},
        {"two values", gpsRecipe(triple({{41, 1}, {30, 1}}), triple({{1, 1}, {2, 1}, {3, 1}, {4, 1}})), "", ""},
        {"negative figure", gpsRecipe(triple({{-33, 1}, {36, 1}, {58, 1}}, EXIF_FORMAT_SRATIONAL), photo::dms(180)), "",
         "180 Degrees 0 Minutes 0 Seconds"},
        {"beyond the pole and the date line",
         gpsRecipe(triple({{90, 1}, {0, 1}, {1, 10}}), triple({{180, 1}, {0, 1}, {1, 10}})), "", ""},
        {"minutes and seconds past 60",
         gpsRecipe(triple({{48, 1}, {15, 1}, {595404032, 1000}}), triple({{11, 1}, {61, 1}, {0, 1}})), "", ""},
        {"sixty seconds rounded up by the camera",
         gpsRecipe(triple({{48, 1}, {15, 1}, {60, 1}}), triple({{11, 1}, {60, 1}, {0, 1}})),
         "48 Degrees 15 Minutes 60 Seconds", "11 Degrees 60 Minutes 0 Seconds"},
        {"no GPS at all", gpsRecipe({}, {}), "", ""},
    };
    TempDir dir;
    for (const Case& c : cases) {
        const std::string path = dir / "p.jpg";
        photo::write(path, c.recipe);
        const Texts t = readPhoto(path);
        EXPECT_EQ(t.error, "") << c.name;
        EXPECT_EQ(t.latitude, c.latitude) << c.name;
        EXPECT_EQ(t.longitude, c.longitude) << c.name;
    }
}

TEST(ExifTagReader, DateAndTimeTexts) {
    photo::Recipe recipe;
    recipe.dateTime = "2011:01:13 14:33:39   ";
    recipe.gpsDate = "2011:01:13";
    struct Case {
        std::vector<photo::Rational> time;
        std::string expected;
    } cases[] = {
        {{{14, 1}, {33, 1}, {3562, 100}}, "14:33:35.62"},
        {{{9, 1}, {5, 1}, {7, 1}}, "09:05:07"},
        {{{21, 1}, {15, 1}, {33519, 1000}}, "21:15:33.519"},
        {{{0, 0}, {0, 0}, {13, 1}}, ""},
    };
    TempDir dir;
    for (const Case& c : cases) {
        recipe.gpsTime = photo::triple(c.time);
        photo::write(dir / "t.jpg", recipe);
        const Texts t = readPhoto(dir / "t.jpg");
        EXPECT_EQ(t.gpsTime, c.expected);
        EXPECT_EQ(t.dateTime, "2011:01:13 14:33:39");
        EXPECT_EQ(t.gpsDate, "2011:01:13");
    }
}

TEST(ExifTagReader, FindsExifBehindLargeSegmentsAndFillBytes) {
    TempDir dir;
    photo::Recipe recipe;
    recipe.latitude = photo::dms(48.3027777777778);
    recipe.latitudeRef = "N";
    for (size_t padding : {size_t{0}, size_t{80000}, size_t{300000}}) {
        recipe.appBytesBeforeExif = padding;
        photo::write(dir / "big.jpg", recipe);
        EXPECT_EQ(readPhoto(dir / "big.jpg").latitude, "48 Degrees 18 Minutes 10 Seconds N") << padding;
    }
    // Any number of 0xFF may stand before a marker.
    std::vector<uint8_t> filled = photo::make(recipe);
    filled.insert(filled.begin() + 2, 3, 0xFF);
    photo::writeBytes(dir / "filled.jpg", filled);
    EXPECT_EQ(readPhoto(dir / "filled.jpg").latitude, "48 Degrees 18 Minutes 10 Seconds N");
}

// Every Read starts its reader threads anew and lets them end. Whatever a reader keeps for
// the photo in hand must go with the reader, never with its thread: on Windows, memory a
// thread ends with has been freed under it, and the heap broke a few Reads later.
TEST(ExifTagReader, ReadAgainAndAgainOnThreadsThatEnd) {
    TempDir dir;
    photo::Recipe recipe;
    recipe.latitude = photo::dms(48.3027777777778);
    recipe.latitudeRef = "N";
    std::vector<std::string> names;
    for (int i = 0; i < 2 * readersAtOnce; ++i) {
        recipe.appBytesBeforeExif = i % 2 ? 80000 : 0;  // EXIF in the first read, or beyond it
        names.push_back("p" + std::to_string(i) + ".jpg");
        photo::write(dir / names.back(), recipe);
    }
    const std::unique_ptr<Platform> platform = systemPlatform();
    ReadSetup reading(*platform, exifTagReaderFactory(*platform));
    reading.folder(dir.path(), names);
    for (int round = 0; round < 300; ++round) {
        ASSERT_TRUE(reading.readAll());
        ASSERT_TRUE(reading.box.shown.empty()) << round;
        for (int row = 0; row < reading.values.photoCount; ++row)
            ASSERT_EQ(reading.values.photoList.cell(row, colLatitude), "48 Degrees 18 Minutes 10 Seconds N") << round;
    }
}

TEST(ExifTagReader, ProblemsWithTheFileAreToldWithItsName) {
    TempDir dir;
    photo::Recipe gps;
    gps.latitude = photo::dms(10);
    const std::vector<uint8_t> good = photo::make(gps);
    photo::writeBytes(dir / "empty.jpg", {});
    photo::writeBytes(dir / "png.jpg", {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13});
    photo::writeBytes(dir / "heic.jpg", {0, 0, 0, 0x18, 'f', 't', 'y', 'p', 'h', 'e', 'i', 'c'});
    photo::writeBytes(dir / "noexif.jpg", photo::jpeg(8, 8));
    photo::writeBytes(dir / "corrupt.jpg", {0xFF, 0xD8, 0xFF, 0xE1, 0, 20, 'E', 'x', 'i', 'f', 0, 0, 'M', 'M', 0, 42,
                                            0xFF, 0xFF, 0xFF, 0xF0, 1, 2, 0xFF, 0xD9});
    photo::writeBytes(dir / "truncated.jpg", std::vector<uint8_t>(good.begin(), good.begin() + 60));
    photo::writeBytes(dir / "locked.jpg", good);
    std::filesystem::create_directory(dir / "folder.jpg");
    FaultyPlatform platform;
    platform.deny(dir / "locked.jpg");

    struct Case {
        std::string file, error;
    } cases[] = {
        {"empty.jpg", "file is empty"},      {"png.jpg", "not a JPEG file"},     {"heic.jpg", "not a JPEG file"},
        {"missing.jpg", "no such file"},     {"noexif.jpg", ""},                 {"corrupt.jpg", "EXIF data is corrupt"},
        {"folder.jpg", "not a regular file"}, {"truncated.jpg", "EXIF data is corrupt"},
        {"locked.jpg", "permission denied"},
#ifdef _WIN32  // Windows tells a missing folder apart
        {"gone/a.jpg", "no such folder"},
#else
        {"gone/a.jpg", "no such file"},
#endif
    };
    for (const Case& c : cases) {
        const Texts t = readPhoto(dir / c.file, platform);
        EXPECT_EQ(t.error, c.error.empty() ? "" : dir / c.file + ": " + c.error) << c.file;
        EXPECT_EQ(t.latitude + t.dateTime + t.gpsTime, "") << c.file;
    }
}

// Something that only looks like a photo must not hold Read up: a FIFO has no writer.
TEST(ExifTagReader, AFifoNamedLikeAPhotoIsRefusedAtOnce) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no FIFOs in its folders";
#else
    TempDir dir;
    const std::string fifo = dir / "x.jpg";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    auto reading = std::async(std::launch::async, [&] { return readPhoto(fifo).error; });
    if (reading.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        close(open(fifo.c_str(), O_WRONLY));  // lets the blocked reader go
        FAIL() << "opening a FIFO blocks";
    }
    EXPECT_EQ(reading.get(), fifo + ": not a regular file");
#endif
}
