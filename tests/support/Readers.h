#pragma once
#include <algorithm>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

// Our output as other programs read it: pyshp through a small script, and GDAL's ogrinfo.

#ifndef PICTRAK_SHAPE_DUMP
#define PICTRAK_SHAPE_DUMP ""
#endif

#ifdef _WIN32
// Under Wine the readers would have to run on Linux, outside the program's system.
inline std::string runCommand(const std::string&) { return ""; }
inline bool independentReaders(std::string& why) {
    why = "the independent readers (pyshp, ogrinfo, exiftool) run on Linux, not under Windows";
    return false;
}
#else
inline std::string runCommand(const std::string& command) {
    std::string out;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return out;
    char buffer[65536];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    pclose(pipe);
    return out;
}

// Whether pyshp and ogrinfo are here to read our output, and why not.
inline bool independentReaders(std::string& why) {
    if (runCommand("command -v ogrinfo >/dev/null && /usr/bin/python3 -c 'import shapefile' && echo yes") == "yes\n")
        return true;
    why = "ogrinfo (gdal-bin), /usr/bin/python3 or python3-pyshp is missing";
    return false;
}
#endif

inline std::string quoted(const std::string& path) {
    std::string q = "'";
    for (char c : path) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

struct PyshpRecord {
    double x, y;
    std::vector<std::string> values;
};

struct PyshpView {
    int shapeType = -1;
    double bbox[4] = {0, 0, 0, 0};
    std::vector<std::string> fields;  // "name type size decimals"
    std::vector<PyshpRecord> records;
    std::string raw;
};

inline PyshpView readWithPyshp(const std::string& shp) {
    PyshpView view;
    view.raw = runCommand("/usr/bin/python3 " + quoted(PICTRAK_SHAPE_DUMP) + " " + quoted(shp));
    std::istringstream in(view.raw);
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        std::string kind;
        words >> kind;
        if (kind == "TYPE") words >> view.shapeType;
        if (kind == "BBOX") for (double& b : view.bbox) words >> b;
        if (kind == "FIELD") view.fields.push_back(line.substr(6));
        if (kind != "REC") continue;
        PyshpRecord& record = view.records.emplace_back();
        words >> record.x >> record.y;
        std::string rest;  // " value|value|...", an empty last value too
        std::getline(words, rest);
        for (size_t from = 1, bar = 0; from <= rest.size(); from = bar + 1) {
            bar = std::min(rest.find('|', from), rest.size());
            record.values.push_back(rest.substr(from, bar - from));
        }
    }
    return view;
}

inline std::string ogrinfo(const std::string& shp, bool summary) {
    return runCommand(std::string("ogrinfo -ro -al ") + (summary ? "-so " : "") + quoted(shp));
}
