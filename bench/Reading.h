#pragma once
// The Read command as the benchmarks run it: the whole command after its button, making the
// list and reading the tags, on the system's own platform. The one place that knows how Read
// is driven.
#include <memory>
#include <string>
#include <vector>

#include "ReadSetup.h"
#include "intake/ExifTagReader.h"
#include "intake/ReadCommand.h"

// The most requests Read keeps waiting on the storage at once, for the share's bound: one
// for each of its readers.
constexpr int readRequestsInFlight = readersAtOnce;

struct Reading {
    std::unique_ptr<Platform> platform = systemPlatform();
    ReadSetup setup{*platform, exifTagReaderFactory(*platform)};
    WorkingValues& values = setup.values;

    Reading(const std::string& folder, std::vector<std::string> names) { setup.folder(folder, std::move(names)); }
    void run() {
        setup.read.MakeList();
        setup.read.ReadTags();
    }
};
