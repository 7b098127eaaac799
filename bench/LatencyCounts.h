#pragma once
// The requests bench/latency_fs has served, as its counts file tells them.
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>

inline std::map<std::string, long> latencyCounts(const std::filesystem::path& file) {
    std::map<std::string, long> read;
    std::ifstream in(file);
    std::string name;
    long value;
    while (in >> name >> value) read[name] = value;
    return read;
}

// The counts once they stand still: a closed file's last request may come after close()
// returned. `most` becomes the most in flight since the counts were last read.
inline std::map<std::string, long> settledCounts(const std::filesystem::path& file, long& most) {
    std::map<std::string, long> last = latencyCounts(file);
    most = last["most_in_flight"];
    for (int wait = 0; wait < 100 && last.count("total"); ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        std::map<std::string, long> now = latencyCounts(file);
        most = std::max(most, now["most_in_flight"]);
        if (now["total"] == last["total"]) break;
        last = now;
    }
    return last;
}
