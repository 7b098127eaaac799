#pragma once
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "Fakes.h"
#include "intake/ReadCommand.h"

// The Read command with stand-ins for the window's lists, message box and status bar.
struct ReadSetup {
    ReadSetup(Platform& platform, TagReaderFactory readers)
        : read(values, dirList, fileList, box, status, std::move(readers), platform) {}

    void folder(const std::string& path, std::vector<std::string> entries, std::vector<bool> selected = {}) {
        dirList.path = path;
        fileList.entries = std::move(entries);
        fileList.selected = std::move(selected);
    }

    // The Read button as the window presses it: the photos are taken whenever the readers ask.
    // False when the readers stop asking before the Read ends: it is stopped, not waited for.
    bool readAll() {
        struct Asked {
            std::mutex m;
            std::condition_variable cv;
            bool woken = false;
        };
        const auto asked = std::make_shared<Asked>();
        read.WhenFetched([asked] {
            std::lock_guard<std::mutex> lock(asked->m);
            asked->woken = true;
            asked->cv.notify_all();
        });
        for (read.cmdReadAll_Click(false); read.Reading(); read.TakeFetched(false)) {
            std::unique_lock<std::mutex> lock(asked->m);
            const bool woken = asked->cv.wait_for(lock, std::chrono::seconds(5), [&] { return asked->woken; });
            asked->woken = false;
            lock.unlock();
            if (!woken) return read.Stop(), false;
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
