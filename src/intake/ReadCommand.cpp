#include "intake/ReadCommand.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

#include "intake/TagNames.h"
#include "tables/Int16.h"
#include "tables/RuntimeError.h"

using Clock = std::chrono::steady_clock;

namespace {
// Save sizes its point table one past the last photo in 16 bits, so it takes 32766 photos
// at most; Read takes no more than Save can write.
constexpr int mostPhotos = 32766;
// How far the readers may fetch past the photo taken next: while a message box waits for
// the user, they stop there, and what they hold stays small.
constexpr int fetchedAhead = 4 * readersAtOnce;
// Taking photos in without waiting gives the window back after this long, so that it keeps
// drawing; progress is shown a few times a second at most.
constexpr auto takingSlice = std::chrono::milliseconds(20);
constexpr auto progressEvery = std::chrono::milliseconds(250);
// Longer than a slow share keeps a photo, short enough that a user wonders.
constexpr auto storageSilence = std::chrono::seconds(3);

const std::string readText = " Pictrak file(s) have been read...";
const std::string unexpectedText = "An unexpected error has occurred reading the JPEG files.";

std::string tooMany(int chosen, bool selection) {
    const std::string limit = "; at most " + std::to_string(mostPhotos) + " can be read at once. ";
    if (selection) return std::to_string(chosen) + " photos are selected" + limit + "Select fewer files.";
    return "This folder holds " + std::to_string(chosen) + " photos" + limit + "Select at most " +
           std::to_string(mostPhotos) + " of them, or split the folder.";
}

// 32766 as "32,766", whatever the system's own habits.
std::string grouped(int n) {
    std::string digits = std::to_string(n);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3) digits.insert(static_cast<size_t>(at), ",");
    return digits;
}

// The reader failed itself, not the photo: the reading ends at this row.
struct ReaderFailed {};

// Long enough for a share that answers slowly, short enough that a user would rather be told.
constexpr auto folderAnswersWithin = std::chrono::seconds(2);

// Failures that may be the storage's rather than the photo's.
bool storageMayBeGone(IoError kind) {
    return kind == IoError::storage || kind == IoError::notFound || kind == IoError::pathNotFound;
}

// Why `folder` is gone, or "" when it answers in time. The question runs on a thread of its own,
// which a share that never answers may hold for good.
std::string folderGone(const std::shared_ptr<Platform>& platform, const std::string& folder) {
    struct Asked {
        std::mutex m;
        std::condition_variable answered;
        std::optional<std::string> why;
    };
    const auto asked = std::make_shared<Asked>();
    try {
        std::thread([asked, platform, folder] {
            EntryKind kind = EntryKind::other;
            const IoStatus status = platform->Kind(folder, kind);
            std::lock_guard<std::mutex> lock(asked->m);
            asked->why = !status.ok() ? status.detail : kind != EntryKind::folder ? "it is no longer a folder" : "";
            asked->answered.notify_all();
        }).detach();
    } catch (const std::system_error&) {
        return "";  // not asked: the photo keeps its own message, as when the folder answers
    }
    std::unique_lock<std::mutex> lock(asked->m);
    if (asked->answered.wait_for(lock, folderAnswersWithin, [&] { return asked->why.has_value(); })) return *asked->why;
    return "it did not answer within " + std::to_string(folderAnswersWithin.count()) + " seconds";
}
}  // namespace

// What the reader found in one photo: its problem, or its tag texts in the order of
// tagColumns as far as the reader got before it failed.
struct ReadCommand::Fetched {
    bool ready = false;
    std::string error;
    std::vector<std::string> tags;
    bool readerFailed = false;
    std::string folderGone;  // why the photos' folder is gone, when the photo's problem is its storage's
};

// The photos being fetched, shared by the command and its reader threads. A reader thread
// ends when every photo is fetched or the reading has been stopped. Once stopped, a reader
// waiting for the storage is left to end by itself, so that a request the storage never
// answers holds nothing up; the others are waited for, since a thread still ending as the
// program ends can crash the runtime's teardown (seen on Windows).
struct ReadCommand::Fetches {
    Fetches(std::vector<std::string> photos, TagReaderFactory reader, std::shared_ptr<Platform> system,
            std::string photoFolder, size_t readers)
        : paths(std::move(photos)), newTagReader(std::move(reader)), platform(std::move(system)),
          folder(std::move(photoFolder)), slots(fetchedAhead), fetching(readers) {}

    void work(size_t reader) {
        std::unique_lock<std::mutex> lock(m);
        for (;;) {
            room.wait(lock, [this] { return stopped || nextFetch >= count() || nextFetch < nextTake + fetchedAhead; });
            if (stopped || nextFetch >= count()) return;
            const int row = nextFetch++;
            fetching[reader] = true;
            lock.unlock();
            Fetched got = fetch(paths[row]);
            lock.lock();
            fetching[reader] = false;
            if (stopped) return;
            got.ready = true;
            slots[row % fetchedAhead] = std::move(got);
            if (row != nextTake) continue;
            arrived.notify_one();
            if (wake && !wakeAsked) {
                wakeAsked = true;
                wake();
            }
        }
    }

    // Asks the reader what the command asks of it, in the same order.
    Fetched fetch(const std::string& path) const {
        Fetched got;
        try {
            const std::unique_ptr<TagReader> reader = newTagReader();
            reader->OpenPhoto(path);
            if (!reader->ErrorText().empty()) {
                got.error = reader->ErrorText();
                if (!folder.empty() && storageMayBeGone(reader->ErrorKind())) got.folderGone = folderGone(platform, folder);
                return got;
            }
            for (const TagColumn& tag : tagColumns) got.tags.push_back(reader->TagText(tag.name));
        } catch (...) {
            got.readerFailed = true;
        }
        return got;
    }

    int count() const { return static_cast<int>(paths.size()); }

    const std::vector<std::string> paths;
    const TagReaderFactory newTagReader;
    const std::shared_ptr<Platform> platform;
    const std::string folder;
    std::mutex m;
    std::condition_variable room;     // a reader may fetch further, or stop
    std::condition_variable arrived;  // the photo taken next is fetched
    std::vector<Fetched> slots;       // photo `row` in slot row % fetchedAhead
    std::vector<bool> fetching;       // by reader: out at the storage
    int nextFetch = 0;
    int nextTake = 0;
    bool stopped = false;
    std::function<void()> wake;
    bool wakeAsked = false;
};

ReadCommand::ReadCommand(WorkingValues& values, FolderList& dirList, FileList& fileList, MessageBox& box,
                         StatusBar& statusBar, TagReaderFactory newTagReader, std::shared_ptr<Platform> platform)
    : v_(values), dirList_(dirList), fileList_(fileList), box_(box), statusBar_(statusBar),
      newTagReader_(std::move(newTagReader)), platform_(std::move(platform)) {}

ReadCommand::~ReadCommand() { letGo(); }

void ReadCommand::cmdReadAll_Click(bool wait) {
    const std::string folder = dirList_.Path();
    const auto space = folder.find(' ');
    // The position is kept as a 16-bit number; a longer path overflows like any other count.
    const int16_t spacePosition = space == std::string::npos ? 0 : toInt16(static_cast<long long>(space) + 1);
    if (spacePosition > 0) {
        const std::string prompt =
            "To properly write the Shapefile attribute table, your GeoImages must be located in a folder that "
            "does not contain spaces.\r\nDo you want to continue.";
        if (box_.Show(prompt, styleYesNo | styleInformation, "Potential problems encountered") != answerYes) return;
    }
    MakeList();
    StartReading();
    TakeFetched(wait);
}

void ReadCommand::MakeList() {
    // Photos are opened by their full path: with no folder known, their names would be
    // looked for somewhere else.
    const std::string folder = dirList_.Path();
    if (!platform_->IsAbsolute(folder))
        throw RuntimeError(errPathNotFound,
                           "The current folder cannot be known: its path may be longer than the system allows. "
                           "Open a folder with a shorter path in the folder list.");

    // Everything is checked before the earlier table is touched. The list itself may hold
    // more entries than a 16-bit count, as long as no more are chosen.
    const int last = fileList_.ListCount() - 1;
    int selected = 0;
    for (int i = 0; i <= last; ++i)
        if (fileList_.Selected(i)) ++selected;
    const int chosen = selected > 0 ? selected : last + 1;
    if (chosen > mostPhotos) throw RuntimeError(errOverflow, tooMany(chosen, selected > 0));

    earlier_ = {std::move(v_.photoList), v_.photoCount, v_.anySelected, v_.currentPhoto};
    folder_ = folder;
    v_.anySelected = selected > 0 ? 1 : 0;
    v_.photoList.resize(chosen);
    v_.photoCount = 0;
    for (int i = 0; i <= last; ++i) {
        if (v_.anySelected == 1 && !fileList_.Selected(i)) continue;
        v_.photoList.cell(v_.photoCount, colPath) = platform_->Child(folder, fileList_.List(i));
        v_.photoCount = add16(v_.photoCount, 1);
    }
}

void ReadCommand::ReadTags() {
    StartReading();
    TakeFetched(true);
}

void ReadCommand::StartReading() {
    letGo();
    std::vector<std::string> paths;
    for (int row = 0; row < v_.photoCount; ++row) paths.push_back(v_.photoList.cell(row, colPath));
    const size_t threads = std::min<size_t>(readersAtOnce, paths.size());
    fetches_ = std::make_shared<Fetches>(std::move(paths), newTagReader_, platform_, folder_, threads);
    fetches_->wake = wake_;
    next_ = 0;
    progressed_ = Clock::now();
    statusBefore_ = statusBar_.SimpleText();
    for (size_t i = 0; i < threads; ++i) {
        try {
            readers_.emplace_back([fetches = fetches_, i] { fetches->work(i); });
        } catch (const std::system_error&) {
            if (i > 0) break;  // the readers already going fetch every photo all the same
            letGo();
            putBack();
            throw;
        }
    }
    showProgress(true);
}

bool ReadCommand::TakeFetched(bool wait) {
    // A message box waiting for the user lets the window take events, this one among them.
    if (taking_ || !fetches_) return Reading();
    taking_ = true;
    struct Done {
        bool& taking;
        ~Done() { taking = false; }
    } done{taking_};
    const std::shared_ptr<Fetches> fetches = fetches_;
    const auto sliceEnd = Clock::now() + takingSlice;
    try {
        std::vector<Fetched> got;
        while (next_ < fetches->count()) {
            {
                std::unique_lock<std::mutex> lock(fetches->m);
                const auto slot = [&](int row) -> Fetched& { return fetches->slots[row % fetchedAhead]; };
                fetches->wakeAsked = false;
                if (!slot(next_).ready && !wait) return true;  // the readers wake the caller
                fetches->arrived.wait(lock, [&] { return slot(next_).ready; });
                for (int row = next_; row < fetches->count() && slot(row).ready; ++row) {
                    got.push_back(std::move(slot(row)));
                    slot(row) = {};
                }
                fetches->nextTake += static_cast<int>(got.size());
            }
            fetches->room.notify_all();
            progressed_ = Clock::now();
            // Everything fetched in a row is taken under one lock: the readers seldom wait for it.
            for (Fetched& one : got) {
                take(next_++, one);
                if (fetches_ == fetches) continue;
                // Stopped while a message box waited. A Read begun meanwhile (Escape, then Read,
                // before the box had gone) was not taken: its call came while this one took.
                taking_ = false;
                return Reading() && TakeFetched(wait);
            }
            got.clear();
            showProgress(false);
            if (!wait && Clock::now() > sliceEnd && next_ < fetches->count()) {
                std::lock_guard<std::mutex> lock(fetches->m);
                fetches->wakeAsked = true;
                if (fetches->wake) fetches->wake();
                return true;
            }
        }
        letGo();
        earlier_ = {};
        statusBar_.SetSimpleText(std::to_string(v_.photoCount) + readText);
    } catch (...) {
        // The rows taken keep their texts, the later ones stay empty, even those fetched.
        letGo();
        earlier_ = {};
        statusBar_.SetSimpleText(statusBefore_);
        box_.Show(unexpectedText, styleInformation, "Error!");
    }
    return false;
}

void ReadCommand::take(int row, Fetched& got) {
    if (!got.folderGone.empty()) {
        // The rows after it would each fail the same way: none of them is read.
        const std::string photo = v_.photoList.cell(row, colPath);
        stopAfter(row);
        box_.Show("Error Encountered: " + folder_ + ": the folder cannot be read any more (" + got.folderGone +
                      "); the Read stopped at " + photo + ".",
                  styleOk);
        return;
    }
    v_.currentPhoto = v_.photoList.cell(row, colPath);
    for (size_t i = 0; i < got.tags.size(); ++i) v_.photoList.cell(row, tagColumns[i].column) = got.tags[i];
    if (got.readerFailed) throw ReaderFailed{};
    // The box's answer is for this Read alone, not for one begun while it waited.
    const std::shared_ptr<Fetches> reading = fetches_;
    if (!got.error.empty() && box_.Show("Error Encountered: " + got.error, styleOk) == answerCancel &&
        fetches_ == reading)
        stopAfter(row + 1);
}

void ReadCommand::showProgress(bool now) {
    if (!now && Clock::now() - shown_ < progressEvery) return;
    shown_ = Clock::now();
    statusBar_.SetSimpleText(progressText());
}

std::string ReadCommand::progressText() const {
    return "Reading " + grouped(next_) + " of " + grouped(v_.photoCount) + " photos...";
}

void ReadCommand::Waiting() {
    if (!fetches_ || taking_ || Clock::now() - progressed_ < storageSilence) return;
    statusBar_.SetSimpleText(progressText() + " waiting for the storage to answer; Escape stops the Read.");
}

void ReadCommand::Stop() { stopAfter(next_); }

// Every photo taken (a box on the last one still up) leaves nothing to stop: that Read is
// whole, and ends as one.
void ReadCommand::stopAfter(int read) {
    if (!fetches_ || read >= v_.photoCount) return;
    letGo();
    const int listed = v_.photoCount;
    putBack();
    statusBar_.SetSimpleText("Read stopped after " + grouped(read) + " of " + grouped(listed) +
                             " photos; Save writes the photos of the last whole Read.");
}

void ReadCommand::putBack() {
    v_.photoList = std::move(earlier_.photoList);
    v_.photoCount = earlier_.photoCount;
    v_.anySelected = earlier_.anySelected;
    v_.currentPhoto = earlier_.currentPhoto;
    earlier_ = {};
}

void ReadCommand::letGo() {
    if (!fetches_) return;
    std::vector<bool> held;
    {
        std::lock_guard<std::mutex> lock(fetches_->m);
        fetches_->stopped = true;
        fetches_->wake = nullptr;
        held = fetches_->fetching;
    }
    fetches_->room.notify_all();
    // A reader not at the storage now never goes there again: it ends at once.
    for (size_t i = 0; i < readers_.size(); ++i) {
        if (held[i])
            readers_[i].detach();
        else
            readers_[i].join();
    }
    readers_.clear();
    fetches_.reset();
}
