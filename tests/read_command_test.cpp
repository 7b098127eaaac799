#include <gtest/gtest.h>

#include <algorithm>

#include "FaultyPlatform.h"
#include "PhotoMaker.h"
#include "TempDir.h"
#include "ReadSetup.h"
#include "intake/ExifTagReader.h"
#include "intake/TagNames.h"

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
    std::shared_ptr<ScriptedTagReaders> scripted = std::make_shared<ScriptedTagReaders>();
    ScriptedTagReaders& readers = *scripted;
};

struct ReadFixture : ::testing::Test, ReadParts, ReadSetup {
    ReadFixture() : ReadSetup(platform, scripted->factory()) {}

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
        {"the root, a space in the name", "/", {"x y.jpg"}, {}, {"/x y.jpg"}},
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

    // A Read of them all that is stopped at once puts that one back.
    fileList.countOverride = 32766;
    read.MakeList();
    read.StartReading();
    EXPECT_EQ(status.text, "Reading 0 of 32,766 photos...");
    read.Stop();
    EXPECT_EQ(status.text, "Read stopped after 0 of 32,766 photos; Save writes the photos of the last whole Read.");
    EXPECT_EQ(values.photoCount, 1);
}

// A drive's root ends in its separator already: a photo there gets no second one (the
// system's own root is a case of ListsTheSelectionOrEveryEntryInListOrder).
TEST(MakeList, APhotoAtADriveRootHasOneSeparator) {
    struct Drives : FaultyPlatform {
        char Separator() const override { return '\\'; }
        bool IsAbsolute(const std::string&) const override { return true; }
    } drives;
    ReadSetup setup(drives, std::make_shared<ScriptedTagReaders>()->factory());
    setup.folder("C:\\", {"x.jpg"});
    setup.read.MakeList();
    EXPECT_EQ(setup.values.photoList.cell(0, colPath), "C:\\x.jpg");
}

// Photos are fetched many at once and finish in any order; they land in the table, and
// their problems are told, in photo order. A photo the reader reports a problem with keeps
// empty tags; a failure of the reader itself ends the reading there with one message, and
// the rows after it stay empty even when their photos were fetched already.
TEST(ReadTags, TakesFetchedPhotosInPhotoOrderAndEndsOnReaderFailures) {
    const std::vector<std::string> names = {"a.jpg", "b.jpg", "c.jpg", "d.jpg"}, tags = {"lat", "lon", "dt", "d", "t"};
    const std::string unexpected = "An unexpected error has occurred reading the JPEG files.";
    struct Case {
        std::string name;
        std::map<std::string, ScriptedPhoto> script;  // beside five tag texts for every photo
        bool missing;
        std::vector<std::string> messages;
        std::vector<size_t> filled;  // tag texts in each row
        std::string status;
    } cases[] = {
        {"b and d unreadable, fetched last photo first",
         {{"a", {"", {}, "", {"b"}}}, {"b", {"b: not a JPEG file", {}, "", {"c", "d"}}}, {"d", {"d: file is empty", {}, "", {}}}},
         false, {"Error Encountered: b: not a JPEG file", "Error Encountered: d: file is empty"}, {5, 0, 5, 0},
         "4" + readText},
        {"component missing", {}, true, {unexpected}, {0, 0, 0, 0}, "before"},
        {"third tag of b fails after c and d were fetched", {{"b", {"", {}, "DateTime", {"c", "d"}}}}, false,
         {unexpected}, {5, 2, 0, 0}, "before"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // Readers of a reading that ended early may still run: each case has its own.
        ReadParts parts;
        ScriptedTagReaders& readers = parts.readers;
        ReadSetup setup(parts.platform, parts.scripted->factory());
        auto [values, box, status, read] = std::tie(setup.values, setup.box, setup.status, setup.read);
        readers.missing = c.missing;
        setup.folder(native("/t"), names);
        for (const std::string& name : names) {
            const auto scripted = c.script.find(name.substr(0, 1));
            ScriptedPhoto& photo = readers.photos[native("/t/" + name)];
            if (scripted != c.script.end()) photo = scripted->second;
            for (std::string& after : photo.after) after = native("/t/" + after + ".jpg");
            for (size_t t = 0; t < tags.size(); ++t) photo.tags[tagColumns[t].name] = tags[t];
        }
        status.text = "before";

        read.cmdReadAll_Click();
        std::vector<std::string> messages;
        for (const ShownMessage& m : box.shown) messages.push_back(m.prompt);
        ASSERT_EQ(messages, c.messages);
        EXPECT_EQ(box.shown[0].title, c.status == "before" ? "Error!" : "");
        EXPECT_EQ(box.shown[0].style, c.status == "before" ? 64 : 0);
        EXPECT_EQ(status.text, c.status);
        EXPECT_EQ(values.photoCount, 4);
        for (int row = 0; row < 4; ++row)
            for (size_t t = 0; t < tags.size(); ++t)
                EXPECT_EQ(values.photoList.cell(row, tagColumns[t].column), t < c.filled[row] ? tags[t] : "") << row;
        if (!c.missing) {
            EXPECT_EQ(readers.read.size(), 4u) << "every photo was fetched";
            EXPECT_NE(readers.read.back(), native("/t/d.jpg")) << "the photos were fetched in photo order";
        }
    }
}

// Photos that fail for want of their storage: one whose own bytes are lost (a bad sector,
// a file removed) keeps its message and the Read goes on; when the folder fails too or does
// not answer, the share is gone, and the Read stops at that photo with one message naming
// the folder, after the messages of the photos before it. Escape in a photo's box stops too.
TEST(ReadTags, AShareThatIsGoneCostsOneMessageAndEscapeInABoxStops) {
    TempDir dir;
    const std::vector<std::string> names = {"a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg", "f.jpg"};
    photo::Recipe recipe;
    recipe.latitude = photo::dms(10);
    for (const std::string& name : names) photo::write(dir / name, recipe);
    photo::writeBytes(dir / "b.jpg", {'n', 'o', 't'});
    const std::string stopped = " of 6 photos; Save writes the photos of the last whole Read.";
    const std::string notJpeg = "Error Encountered: " + (dir / "b.jpg") + ": not a JPEG file";
    const std::string gone = "Error Encountered: " + dir.path() + ": the folder cannot be read any more (";
    struct Case {
        std::string name;
        std::set<std::string> unreadable;
        IoError error;
        bool allGone, folderSilent;
        int answer;
        std::vector<std::string> messages;  // each the start of one
        std::string status;
    } cases[] = {
        {"the share goes away at d", {"d", "e", "f"}, IoError::storage, true, false, answerYes,
         {notJpeg, gone + "made to fail); the Read stopped at " + (dir / "d.jpg")}, "Read stopped after 3" + stopped},
        {"the folder is removed at d", {"d", "e", "f"}, IoError::notFound, true, false, answerYes, {notJpeg, gone},
         "Read stopped after 3" + stopped},
        {"the share stops answering at e", {"e", "f"}, IoError::storage, false, true, answerYes,
         {notJpeg, gone + "it did not answer within 2 seconds)"}, "Read stopped after 4" + stopped},
        {"a bad sector under c", {"c"}, IoError::storage, false, false, answerYes,
         {notJpeg, "Error Encountered: " + (dir / "c.jpg") + ": cannot read the file (made to fail)"}, "6" + readText},
        {"e removed alone", {"e"}, IoError::notFound, false, false, answerYes,
         {notJpeg, "Error Encountered: " + (dir / "e.jpg") + ": no such file"}, "6" + readText},
        {"Escape in the first box", {"c", "d", "e"}, IoError::storage, false, false, answerCancel, {notJpeg},
         "Read stopped after 2" + stopped},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto platform = std::make_shared<FaultyPlatform>();
        ReadSetup setup(platform, exifTagReaderFactory(*platform));
        setup.folder(dir.path(), names, {true});
        setup.read.cmdReadAll_Click();
        setup.folder(dir.path(), names);
        std::set<std::string> paths;
        for (const std::string& photo : c.unreadable) paths.insert(dir / (photo + ".jpg"));
        platform->failReads(paths, c.error, c.allGone);
        if (c.folderSilent) platform->stall(dir.path());
        setup.box.answer = c.answer;

        setup.read.cmdReadAll_Click();
        platform->answer();
        ASSERT_EQ(setup.box.shown.size(), c.messages.size());
        for (size_t i = 0; i < c.messages.size(); ++i)
            EXPECT_EQ(setup.box.shown[i].prompt.rfind(c.messages[i], 0), 0u) << setup.box.shown[i].prompt;
        EXPECT_EQ(setup.status.text, c.status);
        const bool whole = c.status == "6" + readText;
        ASSERT_EQ(setup.values.photoCount, whole ? 6 : 1) << "a stopped Read puts back the last whole Read";
        EXPECT_EQ(setup.values.photoList.cell(whole ? 5 : 0, colLatitude).empty(), whole && c.unreadable.count("f"));
    }
}
