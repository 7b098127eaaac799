#pragma once
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "intake/ListControls.h"
#include "intake/TagReader.h"
#include "output/SaveDialog.h"
#include "tables/Messages.h"
#include "tables/RuntimeError.h"

// Stand-ins for what a person answers and for the window's controls.

struct FakeFolderList : FolderList {
    std::string path;
    std::string Path() override { return path; }
};

struct FakeFileList : FileList {
    std::vector<std::string> entries;
    std::vector<bool> selected;
    int countOverride = -1;  // pretend to hold this many entries
    int ListCount() override { return countOverride >= 0 ? countOverride : static_cast<int>(entries.size()); }
    std::string List(int i) override { return countOverride >= 0 ? "photo" + std::to_string(i) + ".jpg" : entries.at(i); }
    bool Selected(int i) override { return i < static_cast<int>(selected.size()) && selected[i]; }
};

struct ShownMessage {
    std::string prompt;
    int style;
    std::string title;
};

struct FakeMessageBox : MessageBox {
    std::vector<ShownMessage> shown;
    int answer = answerYes;
    std::function<void()> whileShown;  // what the user does while the box waits; may set the answer
    int Show(const std::string& prompt, int style, const std::string& title) override {
        shown.push_back({prompt, style, title});
        if (whileShown) whileShown();
        return answer;
    }
};

struct FakeStatusBar : StatusBar {
    std::string text = "Simply follow Steps 1-2-3";
    void SetSimpleText(const std::string& t) override { text = t; }
    std::string SimpleText() const override { return text; }
};

struct FakeSaveDialog : SaveDialog {
    bool cancelError = false;
    std::string filter;
    int16_t filterIndex = 0;
    bool cancel = false;
    std::string fileName;
    void SetCancelError(bool raise) override { cancelError = raise; }
    void SetFilter(const std::string& f) override { filter = f; }
    void SetFilterIndex(int16_t i) override { filterIndex = i; }
    void ShowSave() override {
        if (cancel && cancelError) throw RuntimeError(errCancel);
    }
    std::string FileName() override { return fileName; }
};

// Readers of made photos, each its own: tags "<path> <tag>", a problem naming the photo for
// every seventh, and a failure of the reader itself at the third tag of photo `failing`. Those
// of the folder `held` wait at a gate until the test lets each through, so that photos finish
// in the order the test chooses and the taker falls as far behind as it likes. Every wait ends
// after a few seconds: a Read that runs on fails its test, it does not hang it.
struct GatedTagReaders : std::enable_shared_from_this<GatedTagReaders> {
    std::mutex m;
    std::condition_variable changed;
    std::string held;       // "" lets every reader through
    std::set<int> waiting;  // photos at the gate
    int created = 0, opened = 0, finished = 0, failing = -1;
    bool woken = false;  // the Read asked for its photos to be taken

    // Wine stalls a program for seconds now and then on a busy machine.
#ifdef _WIN32
    static constexpr auto patience = std::chrono::seconds(30);
#else
    static constexpr auto patience = std::chrono::seconds(5);
#endif
    static bool problem(int photo) { return photo % 7 == 3; }
    template <typename Done>
    bool await(Done done) {
        std::unique_lock<std::mutex> lock(m);
        return changed.wait_for(lock, patience, done);
    }
    void let(const std::function<void()>& change) {
        std::lock_guard<std::mutex> lock(m);
        change();
        changed.notify_all();
    }
    TagReaderFactory factory() {
        return [self = shared_from_this()] {
            self->let([&] { ++self->created; });
            return std::make_unique<Reader>(self);
        };
    }
    struct Reader : TagReader {
        explicit Reader(std::shared_ptr<GatedTagReaders> gate) : gate_(std::move(gate)) {}
        ~Reader() override {
            gate_->let([&] { gate_->finished += photo_ >= 0 && !gate_->held.empty() && path_.rfind(gate_->held, 0) == 0; });
        }
        void OpenPhoto(const std::string& path) override {
            path_ = path;
            std::unique_lock<std::mutex> lock(gate_->m);
            if (gate_->held.empty() || path.rfind(gate_->held, 0) != 0) return;
            photo_ = std::stoi(path.substr(path.rfind("photo") + 5));
            ++gate_->opened;
            gate_->waiting.insert(photo_);
            gate_->changed.notify_all();
            gate_->changed.wait(lock, [&] { return !gate_->waiting.count(photo_); });
        }
        std::string ErrorText() override { return problem(photo_) ? path_ + " is not a JPEG file" : ""; }
        IoError ErrorKind() override { return IoError::none; }
        std::string TagText(const std::string& tag) override {
            if (photo_ >= 0 && photo_ == gate_->failing && tag == "DateTime") throw RuntimeError(errFileAccess);
            return path_ + " " + tag;
        }
        std::shared_ptr<GatedTagReaders> gate_;
        std::string path_;
        int photo_ = -1;
    };
};
