// The Read command on photos on a share, for bench/run's share lines; the Windows build has
// it too, to run under Wine on the same mount.
//
//     share_read FOLDER ROUNDS
//
// Lists FOLDER's photos first, as the window does before Read (which also lets the kernel
// know their names), then times Read ROUNDS times, or fewer once they took 10 s, and prints
// one line: the photos, the rounds, the median seconds of one Read, Read's own most requests
// in flight, and, when FOLDER is the top of bench/latency_fs, the requests a photo cost and
// the most the file system saw at once.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "LatencyCounts.h"
#include "Reading.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    const int rounds = argc == 3 ? std::atoi(argv[2]) : 0;
    if (rounds < 1) {
        std::fprintf(stderr, "usage: %s FOLDER ROUNDS\n", argv[0]);
        return 2;
    }
    const fs::path folder = argv[1];
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().extension() == ".jpg") names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    const fs::path countsFile = folder / ".latency-counts";

    long most = 0;
    const long before = settledCounts(countsFile, most)["total"];
    Reading reading(folder.string(), names);
    std::vector<double> times;
    const auto first = Clock::now();
    while (static_cast<int>(times.size()) < rounds && Clock::now() - first < std::chrono::seconds(10)) {
        const auto start = Clock::now();
        reading.run();
        times.push_back(std::chrono::duration<double>(Clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    std::printf("photos %zu rounds %zu seconds %.3f read_in_flight %d", names.size(), times.size(),
                times[times.size() / 2], readRequestsInFlight);

    std::map<std::string, long> after = settledCounts(countsFile, most);
    if (after.count("total") == 0 || names.empty()) return std::printf("\n"), 0;
    const double photoReads = static_cast<double>(times.size()) * static_cast<double>(names.size());
    std::printf(" requests_per_photo %.2f most_in_flight %ld\n", (after["total"] - before) / photoReads, most);
    return 0;
}
