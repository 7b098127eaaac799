// The Save command from the dialog to the projection file, and every way the output can
// fail or be cut short: each failure is reported with the file concerned, the photo table
// survives, and what was saved under the name before stays byte for byte as it was.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>

#include "Fakes.h"
#include "FaultyPlatform.h"
#include "PlacedPhotos.h"
#include "Readers.h"
#include "TempDir.h"
#include "output/SaveCommand.h"
#include "output/ShapefileReplacement.h"
#include "output/ShapelibShapeFiles.h"

#ifdef __linux__
#include "Unprivileged.h"
#endif

#ifndef PICTRAK_PRJ
#define PICTRAK_PRJ ""
#endif

namespace fs = std::filesystem;

namespace {
// Every file of a folder and its bytes.
using Folder = std::map<std::string, std::string>;

Folder contents(const std::string& folder) {
    Folder files;
    for (const auto& entry : fs::directory_iterator(folder)) {
        files[entry.path().filename().string()] = fileBytes(entry.path()).value_or("");
    }
    return files;
}

void restore(const std::string& folder, const Folder& files) {
    for (const auto& [name, bytes] : contents(folder)) fs::remove(folder + "/" + name);
    for (const auto& [name, bytes] : files) std::ofstream(folder + "/" + name, std::ios::binary) << bytes;
}

// The five files of the shapefile `name` (a .pictrak one with `suffix`), by their endings.
Folder setOf(const Folder& folder, const std::string& name, const std::string& suffix = "") {
    Folder set;
    for (const char* ending : {"shp", "shx", "dbf", "cpg", "prj"})
        if (auto file = folder.find(name + "." + ending + suffix); file != folder.end()) set[ending] = file->second;
    return set;
}

// Of shapefiles S1, S2 and S3 saved one over another as trip: whenever trip.shp stands, the
// five files are one whole set; and S1 or S2 is kept whole somewhere unless S3 stands in place.
void expectNothingLost(const Folder& folder, const std::vector<Folder>& sets) {
    const Folder named = setOf(folder, "trip");
    const Folder views[] = {named, setOf(folder, "trip", ".pictrak-new"), setOf(folder, "trip", ".pictrak-old")};
    const auto kept = [&](Folder set) {  // each file of the set under one of the names
        for (const Folder& view : views)
            for (const auto& [ending, bytes] : view) set.erase(set.count(ending) && set.at(ending) == bytes ? ending : "");
        return set.empty();
    };
    EXPECT_TRUE(!named.count("shp") || named == sets[0] || named == sets[1] || named == sets[2]);
    EXPECT_TRUE(kept(sets[0]) || kept(sets[1]) || named == sets[2]);
}

struct Failure {
    int number = 0;
    std::string description;
};

struct SaveFixture : ::testing::Test {
    TempDir program, out;
    WorkingValues values;
    FakeSaveDialog dialog;
    FakeMessageBox box;
    FakeStatusBar status;
    FaultyPlatform platform;
    ShapelibShapeFiles shapeOut{platform};
    SaveCommand save{values, dialog, box, status, shapeOut, platform};

    void SetUp() override {
        platform.programFolder = program.path();
        fs::copy_file(PICTRAK_PRJ, program / "latlongwgs84.prj");
        photos(2);
        values.photoList.cell(1, colLatitude) = "";  // no position
    }
    void photos(int count, int set = 0) { placePhotos(values, count, set); }
    void freshPlatform(bool modelSyncsOnly = false) {
        platform = FaultyPlatform();
        platform.programFolder = program.path();
        platform.modelSyncsOnly = modelSyncsOnly;
    }
    // Over the files `before`, a Save as trip of `count` photos of `set`, with `fault` made.
    Failure saveOver(const Folder& before, int count, int set, const std::function<void(FaultyPlatform&)>& fault) {
        restore(out.path(), before);
        freshPlatform(true);
        fault(platform);
        photos(count, set);
        return trySave(out / "trip.shp");
    }
    Failure trySave(const std::string& name) {
        dialog.fileName = name;
        try {
            save.cmdWrite_Click();
        } catch (const RuntimeError& e) {
            return {e.number(), e.description()};
        }
        return {};
    }
};
}  // namespace

TEST_F(SaveFixture, WritesShapefileAndProjectionAndSaysSo) {
    std::ofstream(out / "points.prj") << std::string(2000, 'x');  // longer than ours: nothing of it may stay
    dialog.fileName = out / "points";
    save.cmdWrite_Click();
    EXPECT_TRUE(dialog.cancelError);
    EXPECT_EQ(dialog.filter, "Shapefile (*.shp)|*.shp|");
    EXPECT_EQ(dialog.filterIndex, 1);
    EXPECT_EQ(values.saveState, saveConverted);
    EXPECT_EQ(values.shapePath, out / "points.shp");
    EXPECT_EQ(contents(out.path())["points.prj"], contents(program.path())["latlongwgs84.prj"]);
    EXPECT_EQ(status.text, "Conversion complete, " + out / "points.shp" + " saved.");
    EXPECT_EQ(values.pointCount, 1);
    EXPECT_TRUE(box.shown.empty());
    EXPECT_EQ(setOf(contents(out.path()), "points").size(), 5u);
    EXPECT_EQ(contents(out.path()).size(), 5u) << "the five files, nothing left aside";
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
    EXPECT_TRUE(fs::exists(out / "nothing.prj"));
    if (std::string why; !independentReaders(why)) GTEST_SKIP() << why;
    const PyshpView view = readWithPyshp(out / "nothing.shp");
    EXPECT_EQ(view.shapeType, 1) << view.raw;
    EXPECT_EQ(view.fields.size(), 5u);
    EXPECT_TRUE(view.records.empty());
    EXPECT_EQ(status.text, "Conversion complete, " + out / "nothing.shp" + " saved.");
}

// A Save that fails, at a new name or over an earlier shapefile: the message names the file
// and the reason, the earlier files stay byte for byte (its spatial index and the permission
// bits of its files too), and nothing is left beside them.
TEST_F(SaveFixture, AFailedSaveLeavesWhatWasThere) {
    const fs::perms ownBits = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    photos(40);
    ASSERT_EQ(trySave(out / "trip.shp").number, 0);
    std::ofstream(out / "trip.qix") << "its spatial index";
    fs::permissions(out / "trip.dbf", ownBits);
    photos(12, 1);
    freshPlatform();
    ASSERT_EQ(trySave(out / "again.shp").number, 0);
    const int writes = platform.count(FaultyPlatform::write);  // of a whole Save
    const Folder earlier = contents(out.path());

    struct Case {
        std::string why;
        FaultyPlatform::Step step;
        int at;
        IoError error;
        int number;
        std::string file;  // the file the message names
    } cases[] = {
        {"the .shp cannot be made", FaultyPlatform::create, 1, IoError::permission, errPermissionDenied, "trip.shp"},
        {"the .dbf cannot be made", FaultyPlatform::create, 3, IoError::permission, errPermissionDenied, "trip.dbf"},
        {"the .cpg cannot be made", FaultyPlatform::create, 4, IoError::diskFull, errDiskFull, "trip.cpg"},
        {"the first write", FaultyPlatform::write, 1, IoError::other, errFileAccess, "trip."},
        {"the earlier .dbf held by another program as it is to move aside", FaultyPlatform::rename, 3, IoError::held,
         errPermissionDenied, "trip.dbf (another program holds it)"},
        {"the disk fills up on the last write", FaultyPlatform::write, writes,
         IoError::diskFull, errDiskFull, "trip."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        freshPlatform();
        platform.failAt(c.step, c.at, c.error);
        status.text = "before";
        const Failure failure = trySave(out / "trip.shp");
        EXPECT_EQ(failure.number, c.number) << failure.description;
        EXPECT_NE(failure.description.find(out / c.file), std::string::npos) << failure.description;
        EXPECT_NE(failure.description.find("saved earlier under this name is unchanged"), std::string::npos);
        EXPECT_TRUE(contents(out.path()) == earlier);
        EXPECT_EQ(values.photoCount, 12);
        EXPECT_EQ(status.text, "before");
    }
    // The earlier .dbf moved aside on a share that answers "not found" for the move it made
    // (its first answer lost), then a new file that cannot be put in place: all moves back.
    freshPlatform();
    platform.loseRenameAnswer(3, IoError::notFound);
    platform.failAt(FaultyPlatform::rename, 7);
    const Failure replayed = trySave(out / "trip.shp");
    EXPECT_NE(replayed.description.find("saved earlier under this name is unchanged"), std::string::npos)
        << replayed.description;
    EXPECT_TRUE(contents(out.path()) == earlier);
    freshPlatform();
    platform.diskFullAfter(2000);
    const Failure full = trySave(out / "new.shp");
    EXPECT_EQ(full.number, errDiskFull);
    EXPECT_NE(full.description.find(out / "new."), std::string::npos) << full.description;
    EXPECT_TRUE(contents(out.path()) == earlier) << "no partial shapefile at a new name";

    freshPlatform();
    ASSERT_EQ(trySave(out / "trip.shp").number, 0);
    if (std::string why; independentReaders(why)) {
        EXPECT_EQ(readWithPyshp(out / "trip.shp").records.size(), 12u);
    }
#ifndef _WIN32  // Windows keeps no such bits: a read-only file is refused, the others inherit their folder's rights
    EXPECT_EQ(fs::status(out / "trip.dbf").permissions(), ownBits);
#endif
    EXPECT_FALSE(fs::exists(out / "trip.qix")) << "the index of the earlier points goes with them";
}

TEST_F(SaveFixture, OutputThatCannotBeReplacedOrWrittenIsRefusedWithItsFile) {
    photos(3);
    ASSERT_EQ(trySave(out / "trip.shp").number, 0);
    fs::create_directory(out / "locked");
    struct Case {
        std::string why, name, denied, readOnly;
        int error;
        std::string file;  // the file the message names
        std::string held = "";
    } cases[] = {
        {"a file of the earlier shapefile held by another program", out / "trip.shp", "", "", errPermissionDenied,
         out / "trip.dbf (another program holds it)", out / "trip.dbf"},
        {"a read-only projection beside it", out / "trip.shp", "", out / "trip.prj", errPermissionDenied,
         out / "trip.prj"},
        {"an output folder closed to the user", out / "locked/trip.shp", out / "locked/trip.shp.pictrak-new", "",
         errPermissionDenied, out / "locked/trip.shp"},
        {"a folder that does not exist", out / "missing/trip.shp", "", "", errPathNotFound, out / "missing/trip.shp"},
        {"the projection missing beside the program", out / "trip.shp", "", "", errFileNotFound,
         program / "latlongwgs84.prj"},
    };
    const Folder earlier = contents(out.path());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        freshPlatform();
        platform.deny(c.denied);
        platform.makeReadOnly(c.readOnly);
        platform.hold(c.held);
        if (c.error == errFileNotFound) fs::remove(program / "latlongwgs84.prj");
        const Failure failure = trySave(c.name);
        EXPECT_EQ(failure.number, c.error) << failure.description;
        EXPECT_EQ(failure.description.rfind(RuntimeError::standardDescription(c.error) + ": " + c.file, 0), 0u)
            << failure.description;
        EXPECT_TRUE(contents(out.path()) == earlier);
        EXPECT_TRUE(fs::is_empty(out / "locked"));
    }
}

// Killed, or its power cut, at any change a Save over 32766 earlier points and their index
// makes: whenever a .shp stands under the name, the files under it are the earlier set or the
// new one, byte for byte, and all else is named as left over; the next Save finds a whole set
// and tidies the rest. A Save that said its shapefile is saved keeps it through a power cut.
TEST_F(SaveFixture, KilledAtAnyMomentLeavesTheEarlierOrTheNewSet) {
    const std::string trip = out / "trip.shp";
    photos(32766);
    ASSERT_EQ(trySave(trip).number, 0);
    std::ofstream(out / "trip.qix") << "its spatial index";
    const Folder earlier = contents(out.path());
    ASSERT_EQ(saveOver(earlier, 3000, 1, [](FaultyPlatform&) {}).number, 0);
    const Folder fresh = contents(out.path());
    const int length = platform.changes();
    ASSERT_FALSE(fresh == earlier);

    int saidSaved = 0;
    for (const bool powerCut : {false, true}) {
        for (int kill = 1; kill <= length + 1; ++kill) {  // after the last change: a whole Save
            SCOPED_TRACE(std::string(powerCut ? "power cut" : "killed") + " at change " + std::to_string(kill));
            const Failure failure = saveOver(earlier, 3000, 1, [&](FaultyPlatform& p) { p.stopAt(kill); });
            const bool saved = failure.number == 0 || failure.description.find("is saved") != std::string::npos;
            saidSaved += saved;
            if (powerCut) platform.powerCut();

            Folder named;  // left-overs aside
            for (const auto& [name, bytes] : contents(out.path()))
                if (name.find(".pictrak-") == std::string::npos) named[name] = bytes;
            EXPECT_TRUE(!saved || named == fresh) << "a Save that said it was done";
            EXPECT_TRUE(!named.count("trip.shp") || named == earlier || named == fresh);
            // What the next Save under the name does first.
            FaultyPlatform next;
            ShapefileReplacement(next, out / "trip");
            const Folder after = contents(out.path());
            EXPECT_TRUE(after == earlier || after == fresh);
        }
    }
    EXPECT_GT(saidSaved, 2) << "the tidy-up cut short says the shapefile is saved";
    std::cout << "killed a Save, and cut its power, at each of its " << length << " changes to the disk\n";
}

// A Save S2 over S1 (and its index) cut short at each change to the disk, and its power cut;
// from each state left, a Save S3 with each change failing, or cut short there, or (beside a
// marker) with the requests on one file failing; from each state left, a Save of S1 that must
// succeed alone. After each: nothing lost (see above), no "unchanged" unless so, no saved
// unless S3 stands, and a whole set failed over kept as it was. Then the four ways in which a
// crash and then a failure lost or mixed a shapefile, by name, and every torn marker.
TEST_F(SaveFixture, CrashesThenFailuresNeverCostTheShapefile) {
    const std::string trip = out / "trip.shp";
    std::vector<Folder> sets;  // S1, S2, S3
    for (int s : {0, 1, 2, 0}) {
        photos(2 + s, s);
        ASSERT_EQ(trySave(trip).number, 0);
        sets.push_back(setOf(contents(out.path()), "trip"));
    }
    Folder last = contents(out.path()), start = last, noShp, s2, marked, unmoved;
    start["trip.qix"] = "its spatial index";
    const auto shape = [&](Folder folder) {  // as a Save sees it: the set of each file, a marker, or none
        for (auto& [name, bytes] : folder) {
            std::string as = name.find(".pictrak-saving") != std::string::npos ? bytes : "?";
            for (size_t s = 0; s < 3; ++s)
                if (sets[s].count(name.substr(5, 3)) && sets[s].at(name.substr(5, 3)) == bytes) as = std::to_string(s);
            bytes = as;
        }
        return folder;
    };
    std::set<Folder> explored, finished;
    enum Fault { failing, cut, lookUp };
    std::string sequence;  // of the four found
    IoError lookUpError = IoError::other;
    const auto finish = [&](const Folder& state) {  // from which a Save of S1 must succeed, alone
        expectNothingLost(state, sets);
        if (!finished.insert(shape(state)).second) return;
        EXPECT_EQ(saveOver(state, 2, 0, [](FaultyPlatform&) {}).number, 0);
        EXPECT_TRUE(contents(out.path()) == last);
    };
    // "Unchanged", with no word of a marker left, holds through a power cut and the next Save's start.
    const auto unchangedHolds = [&](const Failure& failure, const Folder& before) {
        if (failure.description.find("is unchanged") == std::string::npos ||
            failure.description.find("could not be removed") != std::string::npos)
            return;
        platform.powerCut();
        FaultyPlatform next;
        try {
            ShapefileReplacement(next, out / "trip");
        } catch (const RuntimeError&) {
        }
        EXPECT_TRUE(setOf(contents(out.path()), "trip") == setOf(before, "trip")) << "after a power cut";
    };
    const auto eachFault = [&](const Folder& before, Fault fault) {
        if (fault == cut) {  // what a whole Save finds before each of its changes is what a cut there leaves
            std::vector<Folder> states;
            const auto snap = [&] { states.push_back(contents(out.path())); };
            saveOver(before, 4, 2, [&](FaultyPlatform& p) { p.beforeChange = snap; });
            for (const Folder& state : states) finish(state);
            return;
        }
        std::vector<std::string> paths{""};  // each change, or the requests on each file there
        if (fault == lookUp) paths.clear();
        for (const auto& [name, bytes] : before)
            if (fault == lookUp) paths.push_back(name);
        for (const std::string& path : paths)
            for (int n = fault == lookUp ? 0 : 1, met = true; met; ++n) {  // 0: every request on the path
                SCOPED_TRACE(sequence + "S3 failing at " + std::to_string(n) + " " + path);
                const Failure failure = saveOver(before, 4, 2, [&](FaultyPlatform& p) {
                    fault == failing ? p.failChange(n) : p.failOn(out / path, lookUpError, n);
                    // and then the placing of the .shp over a whole set: a rename skipped unseen is then lost
                    if (lookUpError == IoError::pathNotFound) p.failAt(FaultyPlatform::rename, 9);
                });
                met = n == 0 || (fault == lookUp ? platform.requestsOn() : platform.changes()) >= n;
                const Folder after = contents(out.path()), named = setOf(after, "trip");
                const bool saved = failure.number == 0 || failure.description.find("is saved") != std::string::npos;
                EXPECT_TRUE(!saved || named == sets[2]) << failure.description;
                EXPECT_TRUE(failure.description.find("is unchanged") == std::string::npos ||
                            (named.count("shp") && named == setOf(before, "trip")));
                // "unchanged", and yet a marker that may put this Save in place later: the user is told
                EXPECT_TRUE(failure.description.find("is unchanged") == std::string::npos ||
                            !after.count("trip.pictrak-saving") ||
                            failure.description.find("could not be removed") != std::string::npos);
                EXPECT_TRUE(saved || after == before || before.size() > setOf(before, "trip").size() + before.count("trip.qix"));
                unchangedHolds(failure, before);
                finish(after);
            }
    };
    for (const bool powerCut : {false, true}) {
        for (int k = 1, whole = false; !whole; ++k) {
            SCOPED_TRACE("S2 cut at change " + std::to_string(k) + (powerCut ? ", then its power" : ""));
            saveOver(start, 3, 1, [&](FaultyPlatform& p) { p.stopAt(k); });
            whole = !platform.stopped();
            if (powerCut) platform.powerCut();
            const Folder state = contents(out.path());
            expectNothingLost(state, sets);
            if (noShp.empty() && !state.count("trip.shp")) noShp = state;
            if (marked.empty() && state.count("trip.shp") && state.count("trip.pictrak-saving") &&
                state.at("trip.pictrak-saving").find("end") != std::string::npos)
                marked = state;
            if (unmoved.empty() && state.count("trip.pictrak-saving") && !state.count("trip.shp.pictrak-old") &&
                state.at("trip.pictrak-saving").find("end") != std::string::npos)
                unmoved = state;
            if (whole) s2 = state;
            if (!explored.insert(shape(state)).second) continue;
            eachFault(state, failing);
            eachFault(state, cut);
            // A Save cut short finished while a request on its marker or on one of its files fails.
            if (state.count("trip.pictrak-saving")) eachFault(state, lookUp);
        }
    }

    sequence = "1. A Save cut short with no trip.shp, finished by the next, whose commit fails: ";
    eachFault(noShp, failing);
    sequence = "2. A .pictrak-old left by a failed removal, then a roll-back: ";
    const Failure tidyUp = saveOver(start, 3, 1, [](FaultyPlatform& p) { p.failAt(FaultyPlatform::remove, 1); });
    EXPECT_NE(tidyUp.description.find("The shapefile is saved"), std::string::npos);
    eachFault(contents(out.path()), failing);
    for (int n = 1, met = true; met; ++n) {
        SCOPED_TRACE("2b. A roll-back (the first placing failing) whose folder sync " + std::to_string(n) + " fails");
        const Failure failure = saveOver(s2, 4, 2, [&](FaultyPlatform& p) {
            p.failAt(FaultyPlatform::rename, 6);
            p.failAt(FaultyPlatform::sync, n);
        });
        met = platform.count(FaultyPlatform::sync) >= n;
        unchangedHolds(failure, s2);
    }
    sequence = "3. A look-up that fails is no absence: ";
    eachFault(s2, lookUp);
    sequence = "3. ... nor is a path not found, as a share that stops answering says: ";
    lookUpError = IoError::pathNotFound;
    for (const Folder& state : {s2, marked, unmoved, noShp}) eachFault(state, lookUp);
    for (const std::string change : {"trip.shp", "trip.dbf.pictrak-new", "trip.shx.pictrak-new", "trip.dbf"}) {
        for (const IoError lookUp : {IoError::none, IoError::pathNotFound}) {  // its look-up answered, or not
            SCOPED_TRACE("4. The marker vouches for its files only; the Save is refused: " + change +
                         " changed by hand" + (lookUp == IoError::none ? "" : ", its look-up finding no path"));
            Folder before = change == "trip.dbf" ? marked : noShp;  // trip.dbf: edited while its set stood whole
            if (change == "trip.shx.pictrak-new" || change == "trip.dbf") before[change].back() ^= 1;  // the same size
            else change == "trip.shp" ? void(before[change] = sets[2].at("shp")) : void(before.erase(change));
            const Failure failure = saveOver(before, 2, 0, [&](FaultyPlatform& p) {
                if (lookUp != IoError::none) p.failOn(out / change, lookUp, 1);
            });
            EXPECT_EQ(failure.number, lookUp == IoError::none ? errFileAccess : errPathNotFound);
            if (lookUp == IoError::none) {
                EXPECT_NE(failure.description.find(out / "trip.pictrak-saving, " + out / "trip.shp.pictrak-new"),
                          std::string::npos);
            }
            EXPECT_TRUE(contents(out.path()) == before);
        }
    }
    // 5. A power cut while the marker is written leaves any part of it, and a disk may damage a
    // line: the Save it lists is never finished from it, and S1 stays, or S3 takes its place.
    const std::string whole = unmoved.at("trip.pictrak-saving");
    std::vector<std::string> torn;
    // (Its closing "end" without the line break after it is whole.)
    for (size_t length = 0; length < whole.size() - 1; ++length) torn.push_back(whole.substr(0, length));
    for (size_t from = 0, end; (end = whole.find('\n', from)) != std::string::npos; from = end + 1) {
        torn.push_back(whole.substr(0, from) + whole.substr(end + 1));  // the line lost
        for (size_t at = from; at < end; ++at) torn.push_back(whole.substr(0, at) + "#" + whole.substr(at + 1));
    }
    for (const std::string& marker : torn) {
        SCOPED_TRACE("5. A torn marker:\n" + marker);
        Folder state = unmoved;
        state["trip.pictrak-saving"] = marker;
        restore(out.path(), state);
        try {
            FaultyPlatform next;
            EXPECT_FALSE(ShapefileReplacement(next, out / "trip").finishedCutShort());
        } catch (const RuntimeError&) {
            EXPECT_TRUE(contents(out.path()) == state) << "refused, and touched nothing";
        }
        EXPECT_TRUE(setOf(contents(out.path()), "trip") == sets[0] && contents(out.path()).count("trip.qix"));
        const Failure failure = saveOver(state, 4, 2, [](FaultyPlatform&) {});
        EXPECT_TRUE(failure.number == 0 ? setOf(contents(out.path()), "trip") == sets[2] : contents(out.path()) == state);
    }
}

// The fault-injecting platform says a full disk is a failed write: here a disk does fill up,
// for a process that may grow a file to 2 KiB only.
TEST_F(SaveFixture, ARealFullDiskKeepsTheEarlierShapefile) {
#ifndef __linux__
    GTEST_SKIP() << "a file size limit for one process, which makes the disk full here, is Linux's";
#else
    photos(3);
    ASSERT_EQ(trySave(out / "full.shp").number, 0);
    // The child gives up the superuser's rights: the folders and files are anyone's to write.
    for (const std::string* folder : {&program.path(), &out.path()}) fs::permissions(*folder, fs::perms::all);
    for (const auto& [name, bytes] : contents(out.path())) fs::permissions(out / name, fs::perms::all);
    const Folder earlier = contents(out.path());
    photos(40, 1);
    const int error = inChildProcess([&] {
        const Failure failure = trySave(out / "full.shp");
        return failure.description.find(out / "full.") != std::string::npos ? failure.number : 255;
    }, 2048);
    EXPECT_EQ(error, errDiskFull);
    EXPECT_TRUE(contents(out.path()) == earlier);
#endif
}

// A name a Save makes (a file written aside, the marker) that another user of the folder
// takes with a link as the Save begins: the Save is refused, naming it, and writes through
// it into no file; a link left there before the Save is a leftover, removed, never followed.
TEST_F(SaveFixture, TheFilesASaveMakesAreMadeAnewNeverThroughALink) {
    photos(3);
    ASSERT_EQ(trySave(out / "trip.shp").number, 0);
    const Folder earlier = contents(out.path());
    TempDir elsewhere;
    const std::string victim = elsewhere / "the user's file";
    for (const std::string name : {"trip.shp.pictrak-new", "trip.dbf.pictrak-new", "trip.prj.pictrak-new",
                                   "trip.pictrak-saving"}) {
        for (const bool before : {true, false}) {
            SCOPED_TRACE(name + (before ? " left before the Save" : " made as the Save began"));
            std::ofstream(victim) << "kept";
            const auto plant = [&] {
                std::error_code error;
                if (!fs::is_symlink(out / name)) fs::create_symlink(victim, out / name, error);
                return !error;
            };
            if (!plant()) GTEST_SKIP() << "no symbolic links here";
            const Failure failure = saveOver(earlier, 3, 1, [&](FaultyPlatform& p) {
                before ? void(plant()) : void(p.beforeChange = plant);
            });
            EXPECT_EQ(fileBytes(victim), "kept");
            Folder after = contents(out.path());
            after.erase(name);  // the link itself, when it stays, is the other user's
            if (before) {
                EXPECT_EQ(failure.number, 0) << failure.description;
                continue;
            }
            EXPECT_EQ(failure.number, errFileAccess);
            EXPECT_NE(failure.description.find(out / name + " (another program made it as the Save began)"),
                      std::string::npos) << failure.description;
            EXPECT_NE(failure.description.find("is unchanged"), std::string::npos);
            EXPECT_TRUE(after == earlier);
        }
    }
#ifndef _WIN32  // permission bits; Windows copies an access list
    // Written, then swapped for a link before it is given the earlier file's rights: the
    // link's target keeps its own (the Save fails, where the system refuses to set a link's).
    const fs::perms own = fs::perms::owner_read | fs::perms::owner_write;
    fs::permissions(victim, own);
    const std::string swapped = out / "trip.dbf.pictrak-new";
    const Failure failure = saveOver(earlier, 3, 1, [&](FaultyPlatform& p) {
        p.beforeKeeping = [&] {
            if (!fs::is_symlink(swapped)) fs::remove(swapped), fs::create_symlink(victim, swapped);
        };
    });
    EXPECT_EQ(fs::status(victim).permissions(), own) << failure.description;
#endif
}

// Markers list each file's CRC-32, the checksum of zip and PNG ("123456789" gives cbf43926):
// one written by any earlier version is finished as it says.
TEST_F(SaveFixture, AMarkerOfAnEarlierVersionIsFinished) {
    std::string marker;
    for (const char* ending : {".shp", ".shx", ".dbf", ".cpg", ".prj"}) {
        std::ofstream(out / ("trip" + std::string(ending) + ".pictrak-new")) << "123456789";
        marker += "new " + std::string(ending) + " 9 cbf43926\n";
    }
    std::ofstream(out / "trip.pictrak-saving") << marker + "end\n";
    ShapefileReplacement(platform, out / "trip");
    EXPECT_EQ(contents(out.path()), (Folder{{"trip.shp", "123456789"}, {"trip.shx", "123456789"},
                                           {"trip.dbf", "123456789"}, {"trip.cpg", "123456789"},
                                           {"trip.prj", "123456789"}}));
}
