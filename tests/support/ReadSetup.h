#pragma once
#include <memory>
#include <string>
#include <vector>

#include "Fakes.h"
#include "intake/ReadCommand.h"

// The Read command with stand-ins for the window's lists, message box and status bar.
struct ReadSetup {
    // The test keeps the platform for as long as the Read may use it.
    ReadSetup(Platform& platform, TagReaderFactory readers)
        : ReadSetup(std::shared_ptr<Platform>(std::shared_ptr<Platform>(), &platform), std::move(readers)) {}
    ReadSetup(std::shared_ptr<Platform> platform, TagReaderFactory readers)
        : read(values, dirList, fileList, box, status, std::move(readers), std::move(platform)) {}

    void folder(const std::string& path, std::vector<std::string> entries, std::vector<bool> selected = {}) {
        dirList.path = path;
        fileList.entries = std::move(entries);
        fileList.selected = std::move(selected);
    }

    // The Read button as the window presses it: the photos are taken whenever the readers ask.
    // False when the readers stop asking before the Read ends: it is stopped, not waited for.
    bool readAll() {
        const auto asked = std::make_shared<GatedTagReaders>();  // its lock and its `woken` only
        read.WhenFetched([asked] { asked->let([&] { asked->woken = true; }); });
        for (read.cmdReadAll_Click(false); read.Reading(); read.TakeFetched(false)) {
            if (!asked->await([&] { return asked->woken; })) return read.Stop(), false;
            asked->let([&] { asked->woken = false; });
        }
        return true;
    }

    WorkingValues values;
    FakeFolderList dirList;
    FakeFileList fileList;
    FakeMessageBox box;
    FakeStatusBar status;
    ReadCommand read;
};
