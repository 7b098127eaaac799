#pragma once
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "intake/ListControls.h"
#include "intake/TagReader.h"
#include "platform/Platform.h"
#include "tables/Messages.h"
#include "tables/WorkingValues.h"

// How many photos are fetched at once, each by a reader thread of its own. On a share every
// request waits on the network, so the waits overlap; a local disk is served as well as by
// asking the kernel ahead.
constexpr int readersAtOnce = 32;

// The Read button: lists the chosen photos and reads their tags into photoList.
//
// The photos are fetched by reader threads, many at once, while the thread that runs the
// command takes what they fetched into photoList in photo order and tells the user of each
// problem in that order; only that thread touches the working values, the message box and
// the status bar. A Read that is stopped (Escape, in the window or in a photo's message box,
// or the command let go) leaves the photo table as the last whole Read left it.
//
// A photo that cannot be opened or read for want of the storage (an I/O or network error,
// nothing there) may be the photo's own problem or the share's: its reader then asks the
// folder itself, allowing it a couple of seconds. A folder that fails too or does not
// answer in time is gone with its share, and the Read stops there with one message, instead
// of one for every photo still to come.
class ReadCommand {
public:
    ReadCommand(WorkingValues& values, FolderList& dirList, FileList& fileList, MessageBox& box,
                StatusBar& statusBar, TagReaderFactory newTagReader, std::shared_ptr<Platform> platform);
    // Lets go of a Read still running: readers waiting on the storage are not waited for.
    ~ReadCommand();
    ReadCommand(const ReadCommand&) = delete;
    ReadCommand& operator=(const ReadCommand&) = delete;

    // The space question, the photo list, the tag reading. With `wait` it returns when the
    // reading has ended; without, the photos come in through TakeFetched.
    void cmdReadAll_Click(bool wait = true);
    // Rebuilds photoList column 0 from the lists; fails before touching the table.
    void MakeList();
    // Reads the tags of every listed photo, to the end.
    void ReadTags();

    // Sets the readers going on the listed photos.
    void StartReading();
    // Takes what the readers fetched into photoList, in photo order. With `wait`, until the
    // reading ends; without, what is there, for a short slice of time. True while the
    // reading goes on.
    bool TakeFetched(bool wait);
    // Escape: ends the reading at once, puts back the table of the last whole Read and
    // says how far it came; once every photo is in (a box on the last one up), it is whole.
    void Stop();
    bool Reading() const { return fetches_ != nullptr; }
    // Called now and then while the reading goes on: once no photo has come in for a few
    // seconds, the status bar says that the Read waits for the storage.
    void Waiting();
    // Called on a reader thread whenever photos wait to be taken and TakeFetched is not
    // running; never after the reading has ended.
    void WhenFetched(std::function<void()> wake) { wake_ = std::move(wake); }

private:
    struct Fetched;
    struct Fetches;
    struct Earlier {
        TextTable photoList;
        int16_t photoCount = 0;
        uint8_t anySelected = 0;
        std::string currentPhoto;
    };

    // Stores one photo's texts in its row and shows its problem; throws when the reader failed.
    void take(int row, Fetched& got);
    void stopAfter(int read);
    std::string progressText() const;
    void showProgress(bool now);
    // The table of the last whole Read, back in place of a Read that did not end.
    void putBack();
    void letGo();

    WorkingValues& v_;
    FolderList& dirList_;
    FileList& fileList_;
    MessageBox& box_;
    StatusBar& statusBar_;
    TagReaderFactory newTagReader_;
    // Shared with the folder checks, which may outlive the command on a share that does not answer.
    std::shared_ptr<Platform> platform_;
    std::function<void()> wake_;

    std::shared_ptr<Fetches> fetches_;  // shared with the reader threads
    std::vector<std::thread> readers_;  // of fetches_, in its order
    Earlier earlier_;                   // what a stopped Read puts back
    std::string folder_;                // of the listed photos
    std::string statusBefore_;          // what a failed Read puts back
    int next_ = 0;                      // the row taken next
    bool taking_ = false;
    std::chrono::steady_clock::time_point shown_;
    std::chrono::steady_clock::time_point progressed_;  // when a photo last came in
};
