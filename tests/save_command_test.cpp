// The Save command from the dialog to the projection file, and every way the output can
// fail or be cut short: each failure is reported with the file concerned, the photo table
// survives, and what was saved under the name before stays byte for byte as it was.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "Fakes.h"
#include "FaultyPlatform.h"
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
    // A photo table as Read leaves it, every photo placed, each set of them elsewhere.
    void photos(int count, int set = 0) {
        values.photoList.resize(count);
        values.photoCount = static_cast<int16_t>(count);
        for (int r = 0; r < count; ++r) {
            values.photoList.cell(r, colPath) = "/p" + std::to_string(set) + "/" + std::to_string(r) + ".jpg";
            values.photoList.cell(r, colLatitude) = std::to_string((r + set) % 80) + " Degrees 59 Minutes 30 Seconds N";
            values.photoList.cell(r, colLongitude) = "91 Degrees 30 Minutes 15 Seconds W";
        }
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
    Folder written = contents(out.path());
    EXPECT_EQ(written.size(), 5u) << "the five files, nothing left aside";
    for (const char* name : {"points.shp", "points.shx", "points.dbf", "points.cpg", "points.prj"})
        EXPECT_EQ(written.count(name), 1u) << name;
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
    // How many of each step a whole Save over an earlier shapefile takes.
    ASSERT_EQ(trySave(out / "again.shp").number, 0);
    platform = FaultyPlatform();
    platform.programFolder = program.path();
    ASSERT_EQ(trySave(out / "again.shp").number, 0);
    int steps[FaultyPlatform::steps];
    for (int s = 0; s < FaultyPlatform::steps; ++s) steps[s] = platform.count(FaultyPlatform::Step(s));
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
        {"the disk fills up on the last write", FaultyPlatform::write, steps[FaultyPlatform::write],
         IoError::diskFull, errDiskFull, "trip."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        platform = FaultyPlatform();
        platform.programFolder = program.path();
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
    // Every sync and every rename of the replacement, one after another.
    for (FaultyPlatform::Step step : {FaultyPlatform::sync, FaultyPlatform::rename}) {
        for (int at = 1; at <= steps[step]; ++at) {
            SCOPED_TRACE((step == FaultyPlatform::sync ? "sync " : "rename ") + std::to_string(at));
            platform = FaultyPlatform();
            platform.programFolder = program.path();
            platform.failAt(step, at);
            EXPECT_EQ(trySave(out / "trip.shp").number, errFileAccess);
            EXPECT_TRUE(contents(out.path()) == earlier);
        }
    }
    platform = FaultyPlatform();
    platform.programFolder = program.path();
    platform.diskFullAfter(2000);
    const Failure full = trySave(out / "new.shp");
    EXPECT_EQ(full.number, errDiskFull);
    EXPECT_NE(full.description.find(out / "new."), std::string::npos) << full.description;
    EXPECT_TRUE(contents(out.path()) == earlier) << "no partial shapefile at a new name";

    platform = FaultyPlatform();
    platform.programFolder = program.path();
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
        platform = FaultyPlatform();
        platform.programFolder = program.path();
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

// Killed, or its power cut, at any change a Save over 32766 earlier points makes: whenever a
// .shp stands under the name, the files under it are the earlier set or the new one, byte for
// byte, and all else is named as left over; the next Save finds a whole set and tidies the rest.
// A Save that said it was done keeps the new set through a power cut.
TEST_F(SaveFixture, KilledAtAnyMomentLeavesTheEarlierOrTheNewSet) {
    const std::string trip = out / "trip.shp";
    photos(32766);
    ASSERT_EQ(trySave(trip).number, 0);
    const Folder earlier = contents(out.path());
    photos(3000, 1);
    ASSERT_EQ(trySave(trip).number, 0);
    const Folder fresh = contents(out.path());
    const int length = platform.changes();
    ASSERT_FALSE(fresh == earlier);

    int sawNew = 0, sawEarlier = 0, sawNoShp = 0;
    for (const bool powerCut : {false, true}) {
        for (int kill = 1; kill <= length + 1; ++kill) {
            SCOPED_TRACE(std::string(powerCut ? "power cut" : "killed") + " at change " + std::to_string(kill) +
                         " of " + std::to_string(length));
            restore(out.path(), earlier);
            platform = FaultyPlatform();
            platform.programFolder = program.path();
            platform.stopAt(kill);  // after the last change: a whole Save
            const bool saved = trySave(trip).number == 0 && kill > length;
            if (powerCut) platform.powerCut();

            Folder named;  // left-overs aside
            for (const auto& [name, bytes] : contents(out.path()))
                if (name.find(".pictrak-") == std::string::npos) named[name] = bytes;
            EXPECT_TRUE(!saved || named == fresh) << "a Save that said it was done";
            if (named.count("trip.shp")) {
                EXPECT_TRUE(named == earlier || named == fresh);
                ++(named == fresh ? sawNew : sawEarlier);
            } else {
                ++sawNoShp;
            }
            // What the next Save under the name does first.
            FaultyPlatform next;
            ShapefileReplacement(next, out / "trip");
            const Folder after = contents(out.path());
            EXPECT_TRUE(after == earlier || after == fresh);
        }
    }
    EXPECT_GT(sawEarlier, 0);
    EXPECT_GT(sawNew, 0);
    EXPECT_GT(sawNoShp, 0);
    std::cout << "killed a Save, and cut its power, at each of its " << length << " changes to the disk\n";
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
