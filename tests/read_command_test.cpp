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
    std::shared_ptr<GatedTagReaders> gate = std::make_shared<GatedTagReaders>();
    GatedTagReaders& readers = *gate;
};

struct ReadFixture : ::testing::Test, ReadParts, ReadSetup {
    ReadFixture() : ReadSetup(platform, gate->factory()) {}

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
        ASSERT_TRUE(readAll());
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
    ASSERT_TRUE(readAll());
    folder(native("/my trip"), {"b.jpg", "c.jpg"});
    status.text = "before";

    box.answer = answerNo;
    ASSERT_TRUE(readAll());
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].prompt, spacePrompt);
    EXPECT_EQ(box.shown[0].style, 68);
    EXPECT_EQ(box.shown[0].title, "Potential problems encountered");
    EXPECT_EQ(paths(), std::vector<std::string>{"/old/a.jpg"});
    EXPECT_EQ(status.text, "before");

    box.answer = answerYes;
    ASSERT_TRUE(readAll());
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
}

// A drive's root ends in its separator already: a photo there gets no second one (the
// system's own root is a case of ListsTheSelectionOrEveryEntryInListOrder).
TEST(MakeList, APhotoAtADriveRootHasOneSeparator) {
    struct Drives : FaultyPlatform {
        char Separator() const override { return '\\'; }
        bool IsAbsolute(const std::string&) const override { return true; }
    } drives;
    ReadSetup setup(drives, std::make_shared<GatedTagReaders>()->factory());
    setup.folder("C:\\", {"x.jpg"});
    setup.read.MakeList();
    EXPECT_EQ(setup.values.photoList.cell(0, colPath), "C:\\x.jpg");
}

namespace {
std::vector<std::string> cells(const TextTable& table) {
    std::vector<std::string> all;
    for (int row = 0; row < table.rows(); ++row)
        for (int column = 0; column < TextTable::columns; ++column) all.push_back(table.cell(row, column));
    return all;
}
}  // namespace

// Thousands of photos, more than the readers may fetch ahead, finishing out of order while the
// rows are taken in slices, as late as the window allows or as soon as asked: every row gets
// its own photo's tags and every message names its own photo, in photo order. A failure of a
// reader ends the Read there with one message, the rows after it empty though fetched. A Read
// stopped part-way puts back the last whole Read's table, every cell; Escape after a Read, or
// with no Read going, changes nothing.
TEST(ReadTags, ManyPhotosFinishingOutOfOrderLandOnTheirOwnRows) {
    const auto gate = std::make_shared<GatedTagReaders>();
    FaultyPlatform platform;
    ReadSetup setup(platform, gate->factory());
    auto [values, box, status, read] = std::tie(setup.values, setup.box, setup.status, setup.read);
    read.WhenFetched([&] { gate->let([&] { gate->woken = true; }); });
    struct Opened {  // whatever ends the test, no reader is left at the gate
        GatedTagReaders& gate;
        ~Opened() { gate.let([&] { gate.held.clear(), gate.waiting.clear(); }); }
    } opened{*gate};
    uint32_t seed = 1;
    const auto last = [](const std::set<int>& w) { return *w.rbegin(); };
    struct Case {
        std::string name;
        int photos;
        bool heldBack;  // rows taken only when every photo the readers may fetch is fetched
        std::function<int(const std::set<int>&)> next;  // the photo at the gate let through next
        int stopAt = -1, failing = -1;  // Escape once this many rows are taken; the reader that fails
    } cases[] = {
        {"held back, the last fetched first", 3000, true, last},
        {"taken as asked, in any order", 2000, false,
         [&](const std::set<int>& w) { return *std::next(w.begin(), (seed = seed * 1103515245 + 12345) % w.size()); }},
        {"held back, stopped part-way", 1000, true, [](const std::set<int>& w) { return *w.begin(); }, 700},
        {"held back, a reader failing", 1000, true, last, -1, 600},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string folder = native("/trip" + std::to_string(c.photos + c.failing));
        const std::vector<std::string> earlier = cells(values.photoList);
        gate->let([&] { gate->held = folder, gate->opened = gate->finished = gate->woken = 0, gate->failing = c.failing; });
        setup.folder(folder, {});
        setup.fileList.countOverride = c.photos;
        box.shown.clear();
        status.text = "before";
        read.MakeList();
        read.StartReading();
        int taken = 0;
        for (bool reading = true; reading && (c.stopAt < 0 || taken < c.stopAt);) {
            // Settled: every reader at the gate, or the read-ahead (four photos a reader) fetched.
            const int readers = std::min(c.photos, readersAtOnce), reach = std::min(c.photos, taken + 4 * readersAtOnce);
            ASSERT_TRUE(gate->await([&] {
                return gate->opened - gate->finished == static_cast<int>(gate->waiting.size()) &&
                       (gate->opened >= reach || static_cast<int>(gate->waiting.size()) == readers);
            })) << "the readers never settled, " << taken << " rows taken";
            bool take = false;
            gate->let([&] {
                if (!gate->waiting.empty() && (c.heldBack || !gate->woken)) gate->waiting.erase(c.next(gate->waiting));
                else take = true;
            });
            if (!take) continue;
            ASSERT_TRUE(gate->await([&] { return gate->woken; })) << "no wake-up with row " << taken << " fetched";
            gate->let([&] { gate->woken = false; });
            reading = read.TakeFetched(false);
            const std::string& photo = values.currentPhoto;
            taken = photo.rfind(folder, 0) == 0 ? std::stoi(photo.substr(photo.rfind("photo") + 5)) + 1 : 0;
        }
        if (c.stopAt >= 0) {
            read.Stop();
            EXPECT_EQ(status.text, "Read stopped after " + std::to_string(taken) + " of 1,000 photos; Save writes the "
                                   "photos of the last whole Read.");
            ASSERT_TRUE(cells(values.photoList) == earlier) << "the last whole Read's table is put back";
        } else {
            ASSERT_EQ(values.photoCount, c.photos);
            EXPECT_EQ(status.text, c.failing < 0 ? std::to_string(c.photos) + readText : "before");
        }
        size_t shown = 0;
        for (int row = 0; row < c.photos && c.stopAt < 0; ++row) {  // a stopped Read's rows are put back
            const std::string path = platform.Child(folder, "photo" + std::to_string(row) + ".jpg");
            for (size_t t = 0; t < 5; ++t) {
                const bool empty = row >= taken || GatedTagReaders::problem(row) || (row == c.failing && t >= 2);
                ASSERT_EQ(values.photoList.cell(row, tagColumns[t].column), empty ? "" : path + " " + tagColumns[t].name);
            }
        }
        for (int row = 0; row < taken; ++row) {
            const std::string path = platform.Child(folder, "photo" + std::to_string(row) + ".jpg");
            if (!GatedTagReaders::problem(row)) continue;
            ASSERT_EQ(box.shown.at(shown++).prompt, "Error Encountered: " + path + " is not a JPEG file");
        }
        if (c.failing >= 0) {
            ASSERT_EQ(box.shown.at(shown).prompt, "An unexpected error has occurred reading the JPEG files.");
            EXPECT_TRUE(box.shown.at(shown++).title == "Error!" && box.shown.back().style == 64);
        }
        EXPECT_EQ(shown, box.shown.size());
        // Escape with nothing going: after a whole Read, a failed one, or a stopped one.
        const std::vector<std::string> table = cells(values.photoList);
        const std::string said = status.text;
        read.Stop();
        EXPECT_TRUE(cells(values.photoList) == table && status.text == said && !read.Reading());
        gate->let([&] { gate->held.clear(), gate->waiting.clear(); });
    }
}

// Photos that fail for want of their storage: one whose own bytes are lost (a bad sector,
// a file removed) keeps its message and the Read goes on; when the folder fails too or does
// not answer, the share is gone, and the Read stops at that photo with one message naming
// the folder, after the messages of the photos before it. Escape in a photo's box stops too;
// a Read pressed after Escape in the window, while the stopped Read's box has not yet gone, is
// neither stopped by that box's answer nor left waiting, and reads to the end.
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
        bool readAgain = false;  // Escape in the window and Read, while the first box waits
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
        {"Read again before the first box has gone", {}, IoError::storage, false, false, answerCancel,
         {notJpeg, notJpeg}, "6" + readText, true},
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
        if (c.readAgain)
            setup.box.whileShown = [&] {
                if (setup.box.shown.size() > 1) return void(setup.box.answer = answerYes);
                setup.read.Stop();
                setup.read.cmdReadAll_Click();
            };

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
