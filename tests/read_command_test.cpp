#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <set>

#include "FaultyPlatform.h"
#include "ReadSetup.h"
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

namespace {
// Readers of made photos, each its own: tags "<path> <tag>", and a problem naming the photo
// for every seventh. Those of the photos in `held` wait at a gate until the test lets each
// through, so that photos finish in the order the test chooses and the taker falls as far
// behind as it likes. Every wait of the test ends after a few seconds: a Read that runs on
// fails the test, it does not hang it.
struct GatedReaders : std::enable_shared_from_this<GatedReaders> {
    std::mutex m;
    std::condition_variable changed;
    std::string held;      // the folder whose photos wait; "" lets every reader through
    std::set<int> waiting;  // photos at the gate
    int opened = 0, finished = 0;
    bool woken = false;  // the Read asked for its photos to be taken

    static bool problem(int photo) { return photo % 7 == 3; }
    template <typename Done>
    bool await(Done done) {
        std::unique_lock<std::mutex> lock(m);
        return changed.wait_for(lock, std::chrono::seconds(5), done);
    }
    void let(const std::function<void()>& change) {
        std::lock_guard<std::mutex> lock(m);
        change();
        changed.notify_all();
    }
    TagReaderFactory factory() {
        return [self = shared_from_this()] { return std::make_unique<Reader>(self); };
    }
    struct Reader : TagReader {
        explicit Reader(std::shared_ptr<GatedReaders> gate) : gate_(std::move(gate)) {}
        ~Reader() override {
            gate_->let([&] { gate_->finished += photo_ >= 0 && !gate_->held.empty() && path_.rfind(gate_->held, 0) == 0; });
        }
        void OpenPhoto(const std::string& path) override {
            path_ = path;
            std::unique_lock<std::mutex> lock(gate_->m);
            if (gate_->held.empty() || path.rfind(gate_->held, 0) != 0) return;
            photo_ = std::stoi(path.substr(path.rfind("photo") + 5));
            ++gate_->opened;
            gate_->waiting.insert(photo_);
            gate_->changed.notify_all();
            gate_->changed.wait(lock, [&] { return !gate_->waiting.count(photo_); });
        }
        std::string ErrorText() override { return problem(photo_) ? path_ + " is not a JPEG file" : ""; }
        std::string TagText(const std::string& tag) override { return path_ + " " + tag; }
        std::shared_ptr<GatedReaders> gate_;
        std::string path_;
        int photo_ = -1;
    };
};

std::vector<std::string> cells(const TextTable& table) {
    std::vector<std::string> all;
    for (int row = 0; row < table.rows(); ++row)
        for (int column = 0; column < TextTable::columns; ++column) all.push_back(table.cell(row, column));
    return all;
}
}  // namespace

// Thousands of photos, more than the readers may fetch ahead, finishing out of order while the
// rows are taken in slices, as late as the window allows or as soon as asked: every row gets
// its own photo's tags and every message names its own photo, in photo order. A Read stopped
// part-way puts back the last whole Read's table, every cell; Escape after a whole Read, or
// with no Read going, changes nothing.
TEST(ReadTags, ManyPhotosFinishingOutOfOrderLandOnTheirOwnRows) {
    const auto gate = std::make_shared<GatedReaders>();
    FaultyPlatform platform;
    ReadSetup setup(platform, gate->factory());
    auto [values, box, status, read] = std::tie(setup.values, setup.box, setup.status, setup.read);
    read.WhenFetched([&] { gate->let([&] { gate->woken = true; }); });
    struct Opened {  // whatever ends the test, no reader is left at the gate
        GatedReaders& gate;
        ~Opened() { gate.let([&] { gate.held.clear(), gate.waiting.clear(); }); }
    } opened{*gate};
    uint32_t seed = 1;
    struct Case {
        std::string name;
        int photos;
        bool heldBack;  // rows taken only when every photo the readers may fetch is fetched
        std::function<int(const std::set<int>&)> next;  // the photo at the gate let through next
        int stopAt;  // Escape once this many rows are taken
    } cases[] = {
        {"held back, the last fetched first", 3000, true, [](const std::set<int>& w) { return *w.rbegin(); }, -1},
        {"taken as asked, in any order", 2000, false,
         [&](const std::set<int>& w) { return *std::next(w.begin(), (seed = seed * 1103515245 + 12345) % w.size()); }, -1},
        {"held back, stopped part-way", 1000, true, [](const std::set<int>& w) { return *w.begin(); }, 700},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string folder = native("/trip" + std::to_string(c.photos));
        const std::vector<std::string> earlier = cells(values.photoList);
        gate->let([&] { gate->held = folder, gate->opened = gate->finished = 0, gate->woken = false; });
        setup.folder(folder, {});
        setup.fileList.countOverride = c.photos;
        box.shown.clear();
        read.MakeList();
        read.StartReading();
        int taken = 0;
        for (bool reading = true; reading && (c.stopAt < 0 || taken < c.stopAt);) {
            const int reach = std::min(c.photos, taken + 128), readers = std::min(c.photos, 32);
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
            const std::string& last = values.currentPhoto;
            taken = last.rfind(folder, 0) == 0 ? std::stoi(last.substr(last.rfind("photo") + 5)) + 1 : 0;
        }
        if (c.stopAt >= 0) {
            read.Stop();
            EXPECT_EQ(status.text, "Read stopped after " + std::to_string(taken) + " of 1,000 photos; Save writes the "
                                   "photos of the last whole Read.");
            ASSERT_TRUE(cells(values.photoList) == earlier) << "the last whole Read's table is put back";
        } else {
            ASSERT_EQ(values.photoCount, c.photos);
            EXPECT_EQ(status.text, std::to_string(c.photos) + readText);
        }
        size_t shown = 0;
        for (int row = 0; row < taken; ++row) {
            const std::string& path = platform.Child(folder, "photo" + std::to_string(row) + ".jpg");
            for (const TagColumn& tag : tagColumns) {
                if (c.stopAt >= 0) break;  // put back, as checked above
                ASSERT_EQ(values.photoList.cell(row, tag.column), GatedReaders::problem(row) ? "" : path + " " + tag.name);
            }
            if (GatedReaders::problem(row))
                ASSERT_EQ(box.shown.at(shown++).prompt, "Error Encountered: " + path + " is not a JPEG file");
        }
        EXPECT_EQ(shown, box.shown.size());
        // Escape with nothing going: after a whole Read, and again after a stopped one.
        const std::vector<std::string> table = cells(values.photoList);
        const std::string said = status.text;
        read.Stop();
        EXPECT_TRUE(cells(values.photoList) == table && status.text == said && !read.Reading());
        gate->let([&] { gate->held.clear(), gate->waiting.clear(); });
    }
}
