// Reading and writing at scale, beside the peers (exiftool, ogr2ogr) and the machine's
// own bound. Modes:
//   corpus big|small FOLDER COUNT   write a corpus of photos
//   measure BIG SMALL               measure everything and print the figures
//   cold BIG SMALL                  only the cold rounds, with their figures
//   memory SMALL OUT                one Read + Save, then print the peak memory in KiB
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "Fakes.h"
#include "PageCache.h"
#include "PhotoMaker.h"
#include "Reading.h"
#include "output/SaveCommand.h"
#include "output/ShapelibShapeFiles.h"

#ifndef PICTRAK_PRJ
#define PICTRAK_PRJ ""
#endif

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {
constexpr int rounds = 5;
// Cold rounds: at least this many, and more while they have measured less than this long
// in all, so that a corpus read in a blink is not at the mercy of one busy moment: the
// camera-sized photos' rounds each vary by half, and the median of a few dozen of them still
// moved by a tenth from one run to the next. The small corpus reaches the minute in about 15
// rounds, whose median moved by a fifth in one run of three; 31 cut its error by some 30 %.
constexpr int coldRounds = 31;
constexpr double coldSecondsAtLeast = 60;
constexpr int coldRoundsAtMost = 201;
// Each measurement first waits for the machine's writing, up to half a minute: on a machine
// that keeps writing, the rounds stop after this long, however few (the line says how many).
constexpr double coldWallSecondsAtMost = 600;

double seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

template <typename F>
double median(int count, F&& once) {
    std::vector<double> times;
    for (int i = 0; i < count; ++i) times.push_back(once());
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

std::vector<std::string> jpegNames(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().extension() == ".jpg") names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

int makeCorpus(const std::string& kind, const std::string& folder, int count) {
    fs::create_directories(folder);
    const bool big = kind == "big";
    // One camera-sized picture (noise compresses like a busy scene) shared by every photo.
    const std::vector<uint8_t> image = big ? photo::jpeg(1800, 1200, 92) : photo::jpeg(16, 16, 80);
    for (int i = 0; i < count; ++i) {
        photo::Recipe recipe;
        const double latitude = -60 + 120.0 * i / count, longitude = -170 + 340.0 * ((i * 7919) % count) / count;
        recipe.latitude = photo::dms(latitude);
        recipe.longitude = photo::dms(longitude);
        recipe.latitudeRef = latitude < 0 ? "S" : "N";
        recipe.longitudeRef = longitude < 0 ? "W" : "E";
        recipe.dateTime = "2024:05:07 09:33:04";
        recipe.gpsDate = "2024:05:07";
        recipe.gpsTime = photo::triple({{9, 1}, {33, 1}, {i % 6000, 100}});
        recipe.image = &image;
        if (big) {
            recipe.cameraTags = true;
            recipe.thumbnailBytes = 12000;
        }
        char name[32];
        std::snprintf(name, sizeof name, "IMG_%05d.jpg", i);
        photo::write(folder + "/" + name, recipe);
    }
    return 0;
}

// Touches a photo as Read opens it: the kernel reads what is asked and nothing ahead. Its own
// read-ahead took 256 KiB of each camera-sized photo here, four times what Read reads, and a
// bound that moves more than Read does flatters Read. `buffer` holds the first 64 KiB.
void touch(const std::string& path, std::vector<char>& buffer) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    posix_fadvise(fd, 0, 0, POSIX_FADV_RANDOM);
    if (read(fd, buffer.data(), buffer.size()) < 0) std::perror("read");
    close(fd);
}

// The machine's bound for touching every photo: open, read the first 64 KiB, close; with
// `ahead`, the same loop asking the kernel for the next photos, 32 to 64 ahead, in bursts.
double rawOnce(const std::string& folder, const std::vector<std::string>& names, bool ahead) {
    std::vector<char> buffer(64 * 1024);
    size_t asked = 0;
    const auto start = Clock::now();
    for (size_t i = 0; i < names.size(); ++i) {
        if (ahead && asked <= i + 32)
            for (; asked < std::min(names.size(), i + 64); ++asked) {
                const int fd = open((folder + "/" + names[asked]).c_str(), O_RDONLY | O_CLOEXEC);
                if (fd >= 0) posix_fadvise(fd, 0, 64 * 1024, POSIX_FADV_WILLNEED);
                if (fd >= 0) close(fd);
            }
        touch(folder + "/" + names[i], buffer);
    }
    return seconds(start);
}

// The same touch from as many threads as Read has readers, each taking the next photo: what
// the storage gives with Read's requests in flight when nothing is parsed.
double parallelOnce(const std::string& folder, const std::vector<std::string>& names) {
    std::atomic<size_t> next{0};
    const auto reader = [&] {
        std::vector<char> buffer(64 * 1024);
        for (size_t i; (i = next++) < names.size();) touch(folder + "/" + names[i], buffer);
    };
    const auto start = Clock::now();
    std::vector<std::thread> threads;
    for (int i = 0; i < readRequestsInFlight; ++i) threads.emplace_back(reader);
    for (std::thread& thread : threads) thread.join();
    return seconds(start);
}

// The processor time this process has had, all threads, user and system.
double processorSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double rawBound(const std::string& folder, const std::vector<std::string>& names) {
    return median(rounds, [&] { return rawOnce(folder, names, false); });
}

// The whole Save command after its dialog: conversion, writing aside, the projection, and
// putting the files in place once they are on the storage.
struct Saving {
    FakeSaveDialog dialog;
    FakeMessageBox box;
    FakeStatusBar status;
    std::unique_ptr<Platform> platform = systemPlatform();
    ShapelibShapeFiles control{*platform};
    SaveCommand save;

    Saving(WorkingValues& values, const std::string& out) : save(values, dialog, box, status, control, *platform) {
        // The projection beside this program, where Save looks for it.
        fs::copy_file(PICTRAK_PRJ, platform->Child(platform->ProgramFolder(), "latlongwgs84.prj"),
                      fs::copy_options::overwrite_existing);
        dialog.fileName = out + "/save.shp";
    }
};

double readCommand(const std::string& folder, const std::vector<std::string>& names) {
    Reading reading(folder, names);
    return median(rounds, [&] {
        const auto start = Clock::now();
        reading.run();
        return seconds(start);
    });
}

double exiftool(const std::string& folder, int count) {
    if (std::system("command -v exiftool >/dev/null 2>&1") != 0) return 0;
    const std::string command = "exiftool -n -csv -GPSLatitude -GPSLongitude -ModifyDate -GPSDateStamp "
                                "-GPSTimeStamp '" + folder + "' >/dev/null 2>&1";
    return median(count, [&] {
        const auto start = Clock::now();
        if (std::system(command.c_str()) != 0) return 0.0;
        return seconds(start);
    });
}

double saveCommand(WorkingValues& values, const std::string& out) {
    Saving saving(values, out);
    return median(rounds, [&] {
        const auto start = Clock::now();
        saving.save.cmdWrite_Click();
        return seconds(start);
    });
}

double ogr2ogr(const WorkingValues& values, const std::string& out) {
    if (std::system("command -v ogr2ogr >/dev/null 2>&1") != 0) return 0;
    {
        std::ofstream csv(out + "/points.csv");
        csv << "X,Y,Point_id,Photo,DateTime_,Date_GPS,Time_GPS\n";
        for (int r = 0; r < values.pointCount; ++r) {
            csv << -std::stod(values.pointList.cell(r, colLongitude)) << ',' << std::stod(values.pointList.cell(r, colLatitude))
                << ',' << r + 1 << ',' << values.pointList.cell(r, colPath) << ',' << values.pointList.cell(r, colDateTime)
                << ',' << values.pointList.cell(r, colGpsDate) << ',' << values.pointList.cell(r, colGpsTime) << '\n';
        }
    }
    const std::string command = "ogr2ogr -overwrite -f 'ESRI Shapefile' '" + out + "/ogr.shp' '" + out +
                                "/points.csv' -oo X_POSSIBLE_NAMES=X -oo Y_POSSIBLE_NAMES=Y -oo KEEP_GEOM_COLUMNS=NO "
                                "-a_srs EPSG:4326 >/dev/null 2>&1";
    return median(rounds, [&] {
        const auto start = Clock::now();
        if (std::system(command.c_str()) != 0) return 0.0;
        return seconds(start);
    });
}

int memory(const std::string& folder, const std::string& out) {
    Reading reading(folder, jpegNames(folder));
    reading.run();
    Saving(reading.values, out).save.cmdWrite_Click();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%ld\n", usage.ru_maxrss);
    return 0;
}

struct ReadFigures {
    double rate, exiftoolRate, rawRate;
};

ReadFigures measureRead(const char* label, const std::string& folder, int exiftoolRounds) {
    const std::vector<std::string> names = jpegNames(folder);
    const double n = static_cast<double>(names.size());
    rawBound(folder, names);  // warms the cache
    ReadFigures out{n / readCommand(folder, names), 0, n / rawBound(folder, names)};
    const double exif = exiftool(folder, exiftoolRounds);
    if (exif > 0) out.exiftoolRate = n / exif;
    std::printf("%-6s %6zu photos: raw bound %9.0f/s, Read %9.0f/s, exiftool %7.0f/s\n", label, names.size(),
                out.rawRate, out.rate, out.exiftoolRate);
    return out;
}

// A figure over the rounds: the median and the lowest and highest.
struct Spread {
    double median, low, high;
};

Spread spread(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    // The rounds run until a minute is measured, so their count is as often even as odd: the
    // median of an even count lies between its two middle rounds, not on the higher one.
    const size_t n = values.size();
    return {(values[(n - 1) / 2] + values[n / 2]) / 2, values.front(), values.back()};
}

// Rates with nothing of the corpus's photos cached, as from a card or a disk not read yet.
struct ColdFigures {
    Spread sequential, ahead, parallel, read, vsSequential, vsAhead, vsParallel, busy;
    double exiftool = 0, stayed = 0;
    long leftToWriteKiB = 0;
};

ColdFigures measureCold(const char* label, const std::string& folder, bool withExiftool) {
    const std::vector<std::string> names = jpegNames(folder);
    const double n = static_cast<double>(names.size());
    ColdFigures out;
    // Each measurement starts with the machine's writing done and the photos dropped.
    double measured = 0;
    const auto cold = [&](auto&& once) {
        out.leftToWriteKiB = std::max(out.leftToWriteKiB, settleWriteBack());
        out.stayed = std::max(out.stayed, dropFromCache(folder, names));
        const double took = once();
        measured += took;
        return n / took;
    };
    Reading reading(folder, names);
    std::vector<double> busy;  // the cores Read kept busy, round by round
    const std::function<double()> ways[] = {
        [&] { return rawOnce(folder, names, false); },
        [&] { return rawOnce(folder, names, true); },
        [&] { return parallelOnce(folder, names); },
        [&] {
            const double processor = processorSeconds();
            const auto start = Clock::now();
            reading.run();
            const double took = seconds(start);
            busy.push_back((processorSeconds() - processor) / took);
            return took;
        },
    };
    constexpr int wayCount = 4, read = 3;
    // The rounds take turns, and which goes first turns too, so that a change in the shared
    // machine's load falls on all of them alike. The first round is not counted: it warms
    // what a cold round keeps (the program, the folder's entries, the files' inodes).
    std::vector<double> rates[wayCount];
    int rounds = 0;
    const auto began = Clock::now();
    for (int round = -1; round <= 0 || ((round < coldRounds || measured < coldSecondsAtLeast) &&
                                        round < coldRoundsAtMost && seconds(began) < coldWallSecondsAtMost);
         ++round) {
        if (round == 0) {
            measured = 0;
            busy.clear();
        }
        for (int turn = 0; turn < wayCount; ++turn) {
            const int way = (round + 1 + turn) % wayCount;
            const double rate = cold(ways[way]);
            if (round >= 0) rates[way].push_back(rate);
        }
        rounds = round + 1;
    }
    std::vector<double> vsSequential, vsAhead, vsParallel;
    for (int round = 0; round < rounds; ++round) {
        vsSequential.push_back(rates[read][round] / rates[0][round]);
        vsAhead.push_back(rates[read][round] / rates[1][round]);
        vsParallel.push_back(rates[read][round] / rates[2][round]);
    }
    out.sequential = spread(rates[0]);
    out.ahead = spread(rates[1]);
    out.parallel = spread(rates[2]);
    out.read = spread(rates[read]);
    out.vsSequential = spread(vsSequential);
    out.vsAhead = spread(vsAhead);
    out.vsParallel = spread(vsParallel);
    out.busy = spread(busy);
    if (withExiftool) {
        const double rate = cold([&] { return exiftool(folder, 1); });
        out.exiftool = std::isfinite(rate) ? rate : 0;  // no exiftool here
    }
    const auto rate = [](const Spread& s) {
        char text[64];
        std::snprintf(text, sizeof text, "%.0f/s (%.0f-%.0f)", s.median, s.low, s.high);
        return std::string(text);
    };
    const std::string peer = withExiftool ? ", exiftool " + std::to_string(std::lround(out.exiftool)) + "/s" : "";
    std::printf("cold %-6s %6zu photos, medians of %d rounds (lowest-highest): sequential bound %s, look-ahead "
                "bound %s, %d-thread bound %s, Read %s%s; at most %.2f%% of pages stayed cached, %.0f MB left "
                "to write\n",
                label, names.size(), rounds, rate(out.sequential).c_str(), rate(out.ahead).c_str(),
                readRequestsInFlight, rate(out.parallel).c_str(), rate(out.read).c_str(), peer.c_str(), out.stayed,
                out.leftToWriteKiB / 1024.0);
    return out;
}

// A corpus's cold summary, its ratios beside their targets, and how much of the machine's
// processors Read had: near all of them, the processors bound it, not the storage.
void coldSummary(const char* label, const ColdFigures& cold) {
    std::printf("cold: %s: %.0f photos/s, %.1fx sequential bound (%.1f-%.1f, target 3x), %.2fx look-ahead bound "
                "(%.2f-%.2f, target 0.8x), %.2fx %d-thread bound (%.2f-%.2f), %.1f of %u cores busy",
                label, cold.read.median, cold.vsSequential.median, cold.vsSequential.low, cold.vsSequential.high,
                cold.vsAhead.median, cold.vsAhead.low, cold.vsAhead.high, cold.vsParallel.median,
                readRequestsInFlight, cold.vsParallel.low, cold.vsParallel.high, cold.busy.median,
                std::thread::hardware_concurrency());
    if (cold.exiftool > 0) std::printf(", %.0fx exiftool", cold.read.median / cold.exiftool);
    std::printf("\n");
}

int measure(const std::string& big, const std::string& small, const std::string& self) {
    const ReadFigures bigRead = measureRead("big", big, 3);
    const ReadFigures smallRead = measureRead("small", small, 1);
    const ColdFigures bigCold = measureCold("big", big, true);
    const ColdFigures smallCold = measureCold("small", small, false);

    const std::string out = fs::temp_directory_path() / ("pictrak-bench-" + std::to_string(getpid()));
    fs::create_directories(out);
    Reading reading(small, jpegNames(small));
    reading.run();
    const double save = saveCommand(reading.values, out);
    const double ogr = ogr2ogr(reading.values, out);
    std::printf("save   %6d points: Save %.0f ms, ogr2ogr %.0f ms\n", reading.values.pointCount, save * 1000,
                ogr * 1000);

    std::string kib;
    if (FILE* child = popen(("'" + self + "' memory '" + small + "' '" + out + "'").c_str(), "r")) {
        char line[64];
        if (fgets(line, sizeof line, child)) kib = line;
        pclose(child);
    }
    fs::remove_all(out);

    // The summary takes each corpus's weaker figure.
    const double vsExiftool = std::min(bigRead.exiftoolRate > 0 ? bigRead.rate / bigRead.exiftoolRate : 0,
                                       smallRead.exiftoolRate > 0 ? smallRead.rate / smallRead.exiftoolRate : 0);
    const double vsRaw = std::max(bigRead.rawRate / bigRead.rate, smallRead.rawRate / smallRead.rate);
    std::printf("read: %.0f photos/s, %.0fx exiftool, %.1fx raw bound\n", std::min(bigRead.rate, smallRead.rate),
                vsExiftool, vsRaw);
    std::printf("save: %.0f ms for %d points, %.2fx ogr2ogr\n", save * 1000, reading.values.pointCount,
                ogr > 0 ? save / ogr : 0);
    std::printf("memory: %.0f MB peak for %d photos\n", std::atof(kib.c_str()) / 1024, reading.values.photoList.rows());
    coldSummary("big", bigCold);
    coldSummary("small", smallCold);
    return 0;
}

// The cold rounds alone, as bench/run cold runs them.
int coldOnly(const std::string& big, const std::string& small) {
    const ColdFigures bigCold = measureCold("big", big, true);
    const ColdFigures smallCold = measureCold("small", small, false);
    coldSummary("big", bigCold);
    coldSummary("small", smallCold);
    return 0;
}
}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);  // figures appear as they are measured
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 4 && args[0] == "corpus") return makeCorpus(args[1], args[2], std::stoi(args[3]));
    if (args.size() == 3 && args[0] == "measure") return measure(args[1], args[2], fs::read_symlink("/proc/self/exe"));
    if (args.size() == 3 && args[0] == "cold") return coldOnly(args[1], args[2]);
    if (args.size() == 3 && args[0] == "memory") return memory(args[1], args[2]);
    std::fprintf(stderr, "usage: %s corpus big|small FOLDER COUNT | measure BIG SMALL | cold BIG SMALL | memory SMALL OUT\n", argv[0]);
    return 2;
}
