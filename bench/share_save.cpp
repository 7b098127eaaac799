// The Save command on a share, for bench/run's save line:
//
//     share_save FOLDER POINTS
//
// Saves POINTS points as FOLDER/save.shp, then POINTS others over them, and prints one line
// for the second Save: its seconds, and, when FOLDER is the top of bench/latency_fs, the
// requests it made, in all and of each kind.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "Fakes.h"
#include "LatencyCounts.h"
#include "PlacedPhotos.h"
#include "output/SaveCommand.h"
#include "output/ShapelibShapeFiles.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    const int points = argc == 3 ? std::atoi(argv[2]) : 0;
    if (points < 1 || points > 32767) {
        std::fprintf(stderr, "usage: %s FOLDER POINTS(1 to 32767)\n", argv[0]);
        return 2;
    }
    const fs::path folder = argv[1];
    WorkingValues values;
    FakeSaveDialog dialog;
    FakeMessageBox box;
    FakeStatusBar status;
    const std::unique_ptr<Platform> platform = systemPlatform();
    ShapelibShapeFiles control{*platform};
    SaveCommand save(values, dialog, box, status, control, *platform);
    // The projection beside this program, where Save looks for it.
    fs::copy_file(PICTRAK_PRJ, platform->Child(platform->ProgramFolder(), "latlongwgs84.prj"),
                  fs::copy_options::overwrite_existing);
    dialog.fileName = (folder / "save.shp").string();

    // A photo table as Read leaves it, every photo placed and dated; each set elsewhere.
    const auto photos = [&](int set) {
        placePhotos(values, points, set);
        for (int r = 0; r < points; ++r) values.photoList.cell(r, colDateTime) = "2020:01:02 03:04:05";
    };
    try {
        photos(0);
        save.cmdWrite_Click();
        photos(1);
        long most = 0;
        const std::map<std::string, long> before = settledCounts(folder / ".latency-counts", most);
        const auto start = std::chrono::steady_clock::now();
        save.cmdWrite_Click();
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("points %d seconds %.3f", points, seconds);
        std::map<std::string, long> after = settledCounts(folder / ".latency-counts", most);
        for (const auto& [kind, count] : after) {
            const long made = count - (before.count(kind) ? before.at(kind) : 0);
            if (kind != "most_in_flight" && made > 0) std::printf(" %s %ld", kind.c_str(), made);
        }
        std::printf("\n");
    } catch (const RuntimeError& failure) {
        std::fprintf(stderr, "%s\n", failure.description().c_str());
        return 1;
    }
    return box.shown.empty() ? 0 : 1;
}
