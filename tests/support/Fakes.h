#pragma once
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <map>
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
    int Show(const std::string& prompt, int style, const std::string& title) override {
        shown.push_back({prompt, style, title});
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

// A tag reader scripted per photo path. Readers run on several threads at once, and may
// outlive a test whose Read was stopped: they share the script with the test.
struct ScriptedPhoto {
    std::string error;
    std::map<std::string, std::string> tags;
    std::string failAtTag;           // TagText of this tag throws
    std::vector<std::string> after;  // opened only when these photos are read (or after 5 s)
};

struct ScriptedTagReaders : std::enable_shared_from_this<ScriptedTagReaders> {
    std::map<std::string, ScriptedPhoto> photos;  // not changed while a Read runs
    bool missing = false;                         // the component cannot be created
    int created = 0;
    std::vector<std::string> read;  // photos in the order their readers were let go

    TagReaderFactory factory() {
        return [self = shared_from_this()]() -> std::unique_ptr<TagReader> {
            if (self->missing) throw RuntimeError(errCannotCreateObject);
            return std::make_unique<Reader>(self);
        };
    }

    struct Reader : TagReader {
        explicit Reader(std::shared_ptr<ScriptedTagReaders> owner) : owner_(std::move(owner)) {
            std::lock_guard<std::mutex> lock(owner_->m_);
            ++owner_->created;
        }
        ~Reader() override {
            std::lock_guard<std::mutex> lock(owner_->m_);
            owner_->read.push_back(path_);
            owner_->changed_.notify_all();
        }
        void OpenPhoto(const std::string& path) override {
            path_ = path;
            const auto found = owner_->photos.find(path);
            photo_ = found == owner_->photos.end() ? ScriptedPhoto{} : found->second;
            std::unique_lock<std::mutex> lock(owner_->m_);
            owner_->changed_.wait_for(lock, std::chrono::seconds(5), [this] {
                for (const std::string& before : photo_.after)
                    if (std::find(owner_->read.begin(), owner_->read.end(), before) == owner_->read.end()) return false;
                return true;
            });
        }
        std::string ErrorText() override { return photo_.error; }
        IoError ErrorKind() override { return IoError::none; }
        std::string TagText(const std::string& tag) override {
            if (tag == photo_.failAtTag) throw RuntimeError(errFileAccess);
            return photo_.tags.count(tag) ? photo_.tags.at(tag) : "";
        }

    private:
        std::shared_ptr<ScriptedTagReaders> owner_;
        std::string path_;
        ScriptedPhoto photo_;
    };

private:
    std::mutex m_;
    std::condition_variable changed_;
};
