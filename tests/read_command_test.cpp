#include <gtest/gtest.h>

#include <algorithm>

#include "FaultyPlatform.h"
#include "ReadSetup.h"

namespace {
// Folders as this system spells them: /trip here, C:\trip on Windows; and back.
std::string native(std::string path) {
#ifdef _WIN32
    std::replace(path.begin(), path.end(), '/', '\\');
    return path.empty() ? path : "C:" + path;
#else
    return path;
#endif
}
std::string portable(std::string path) {
#ifdef _WIN32
    if (path.rfind("C:", 0) == 0) path.erase(0, 2);
    std::replace(path.begin(), path.end(), '\\', '/');
#endif
    return path;
}

const std::string readText = " Pictrak file(s) have been read...";
const std::string spacePrompt =
    "To properly write the Shapefile attribute table, your GeoImages must be located in a folder that does not "
    "contain spaces.\r\nDo you want to continue.";

struct ReadParts {
    FaultyPlatform platform;
    ScriptedTagReaders readers;
};

struct ReadFixture : ::testing::Test, ReadParts, ReadSetup {
    ReadFixture() : ReadSetup(platform, readers.factory()) {}

    std::vector<std::string> paths() const {
        std::vector<std::string> out;
        for (int r = 0; r < values.photoCount; ++r) out.push_back(portable(values.photoList.cell(r, colPath)));
        return out;
    }
};
}  // namespace

TEST_F(ReadFixture, ListsTheSelectionOrEveryEntryInListOrder) {
    const std::vector<std::string> five = {"a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg"};
    struct Case {
        std::string name, folder;
        std::vector<std::string> entries;
        std::vector<bool> selected;
        std::vector<std::string> expected;
    } cases[] = {
        {"none selected", "/trip", five, {}, {"/trip/a.jpg", "/trip/b.jpg", "/trip/c.jpg", "/trip/d.jpg", "/trip/e.jpg"}},
        {"second and fourth", "/trip", five, {false, true, false, true, false}, {"/trip/b.jpg", "/trip/d.jpg"}},
        {"last only", "/trip", five, {false, false, false, false, true}, {"/trip/e.jpg"}},
        {"the root, a space in the name", "/", {"x y.jpg"}, {}, {"//x y.jpg"}},
        {"no entries", "/empty", {}, {}, {}},
    };
    for (const Case& c : cases) {
        folder(native(c.folder), c.entries, c.selected);
        read.cmdReadAll_Click();
        EXPECT_EQ(paths(), c.expected) << c.name;
        EXPECT_EQ(values.photoList.rows(), static_cast<int>(c.expected.size())) << c.name;
        EXPECT_EQ(values.anySelected, c.selected.empty() ? 0 : 1) << c.name;
        EXPECT_EQ(readers.created, static_cast<int>(c.expected.size())) << c.name;
        readers.created = 0;
        EXPECT_TRUE(box.shown.empty()) << c.name;
        EXPECT_EQ(status.text, std::to_string(c.expected.size()) + readText) << c.name;
    }
}

TEST_F(ReadFixture, SpaceInTheFolderAsksAndNoKeepsEverything) {
    folder(native("/old"), {"a.jpg"});
    read.cmdReadAll_Click();
    folder(native("/my trip"), {"b.jpg", "c.jpg"});
    status.text = "before";

    box.answer = answerNo;
    read.cmdReadAll_Click();
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].prompt, spacePrompt);
    EXPECT_EQ(box.shown[0].style, 68);
    EXPECT_EQ(box.shown[0].title, "Potential problems encountered");
    EXPECT_EQ(paths(), std::vector<std::string>{"/old/a.jpg"});
    EXPECT_EQ(status.text, "before");

    box.answer = answerYes;
    read.cmdReadAll_Click();
    EXPECT_EQ(paths(), (std::vector<std::string>{"/my trip/b.jpg", "/my trip/c.jpg"}));
    EXPECT_EQ(status.text, "2" + readText);
}

TEST_F(ReadFixture, RefusesWhatSaveCannotWriteOrAFolderItCannotNameAndKeepsTheTable) {
    dirList.path = native("/big");
    fileList.countOverride = 32766;
    read.MakeList();
    ASSERT_EQ(values.photoCount, 32766) << "Save writes 32766 photos: Read takes them";
    EXPECT_EQ(portable(values.photoList.cell(32765, colPath)), "/big/photo32765.jpg");

    struct Case {
        std::string name, folder;
        int entries;
        std::vector<int> selected;
        int error;
        std::string says;
    } cases[] = {
        {"one photo more than Save writes", "/big", 32767, {}, errOverflow, "at most 32766"},
        {"a larger folder", "/big", 40000, {}, errOverflow, "Select at most 32766"},
        {"a selection too large", "/big", 40000, std::vector<int>(32767, 1), errOverflow, "Select fewer files"},
        {"a folder that cannot be named", "", 3, {}, errPathNotFound, "cannot be known"},
    };
    for (const Case& c : cases) {
        dirList.path = native(c.folder);
        fileList.countOverride = c.entries;
        fileList.selected.assign(c.selected.begin(), c.selected.end());
        try {
            read.MakeList();
            ADD_FAILURE() << c.name << ": no failure";
        } catch (const RuntimeError& e) {
            EXPECT_EQ(e.number(), c.error) << c.name;
            EXPECT_NE(e.description().find(c.says), std::string::npos) << c.name << ": " << e.description();
        }
        EXPECT_EQ(values.photoCount, 32766) << c.name << ": the earlier table stays";
    }
    // Any photos of a larger folder may be read, as long as no more are chosen.
    dirList.path = native("/big");
    fileList.countOverride = 40000;
    fileList.selected.assign(39999, false);
    fileList.selected.push_back(true);
    read.MakeList();
    ASSERT_EQ(values.photoCount, 1);
    EXPECT_EQ(portable(values.photoList.cell(0, colPath)), "/big/photo39999.jpg");
}

TEST_F(ReadFixture, AsksAheadForEveryPhotoInOrderAndNeverFarAhead) {
    platform.progress = &readers.created;
    for (int count : {0, 1, 31, 32, 33, 100}) {
        platform.hints.clear();
        readers.created = 0;
        dirList.path = native("/t");
        fileList.countOverride = count;
        read.cmdReadAll_Click();
        ASSERT_EQ(static_cast<int>(platform.hints.size()), count);
        for (int i = 0; i < count; ++i) {
            EXPECT_EQ(portable(platform.hints[i].first), "/t/photo" + std::to_string(i) + ".jpg");
            // Each photo is asked for at least 32 photos before it is opened (or at the start),
            // and no more than 64 before.
            EXPECT_LE(platform.hints[i].second, std::max(0, i - 32)) << count << " photos, hint " << i;
            EXPECT_GE(platform.hints[i].second, i - 64) << count << " photos, hint " << i;
        }
        EXPECT_EQ(status.text, std::to_string(count) + readText);
    }
}

// A photo the reader reports a problem with is announced and keeps empty tags; a failure of
// the reader itself ends the reading with one message and leaves the status text.
TEST_F(ReadFixture, StoresTagTextsAnnouncesProblemPhotosAndEndsOnReaderFailures) {
    const std::vector<std::string> tags = {"lat", "lon", "dt", "d", "t"};
    struct Case {
        std::string name, error, failAt;
        bool missing;
        std::vector<std::string> row1;
        std::string message, title, status;
        int style;
    } cases[] = {
        {"second photo unreadable", "b.jpg: not a JPEG file", "", false, {"", "", "", "", ""},
         "Error Encountered: b.jpg: not a JPEG file", "", "3" + readText, 0},
        {"component missing", "", "", true, {"", "", "", "", ""},
         "An unexpected error has occurred reading the JPEG files.", "Error!", "before", 64},
        {"third tag of the second photo fails", "", "DateTime", false, {"lat", "lon", "", "", ""},
         "An unexpected error has occurred reading the JPEG files.", "Error!", "before", 64},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        box.shown.clear();
        readers.photos.clear();
        readers.missing = c.missing;
        folder(native("/t"), {"a.jpg", "b.jpg", "c.jpg"});
        for (const char* p : {"/t/a.jpg", "/t/b.jpg", "/t/c.jpg"})
            readers.photos[native(p)].tags = {{"GPSLatitude", "lat"}, {"GPSLongitude", "lon"}, {"DateTime", "dt"},
                                      {"GPSDateStamp", "d"}, {"GPSTimeStamp", "t"}};
        readers.photos[native("/t/b.jpg")].error = c.error;
        readers.photos[native("/t/b.jpg")].failAtTag = c.failAt;
        status.text = "before";

        read.cmdReadAll_Click();
        ASSERT_EQ(box.shown.size(), 1u);
        EXPECT_EQ(box.shown[0].prompt, c.message);
        EXPECT_EQ(box.shown[0].title, c.title);
        EXPECT_EQ(box.shown[0].style, c.style);
        EXPECT_EQ(status.text, c.status);
        EXPECT_EQ(values.photoCount, 3);
        for (int col = 1; col <= 5; ++col) {
            EXPECT_EQ(values.photoList.cell(0, col), c.missing ? "" : tags[col - 1]);
            EXPECT_EQ(values.photoList.cell(1, col), c.row1[col - 1]);
            EXPECT_EQ(values.photoList.cell(2, col), c.status == "before" ? "" : tags[col - 1]);
        }
        EXPECT_LE(readers.mostAlive, 2);
        EXPECT_EQ(readers.alive, 0) << "the reader is let go";
    }
}
