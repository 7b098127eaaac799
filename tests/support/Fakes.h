#pragma once
#include <functional>
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

// A tag reader scripted per photo path.
struct ScriptedPhoto {
    std::string error;
    std::map<std::string, std::string> tags;
    std::string failAtTag;  // TagText of this tag throws
};

struct ScriptedTagReaders {
    std::map<std::string, ScriptedPhoto> photos;
    int created = 0;
    int alive = 0;
    int mostAlive = 0;
    bool missing = false;  // the component cannot be created

    TagReaderFactory factory() {
        return [this]() -> std::unique_ptr<TagReader> {
            if (missing) throw RuntimeError(errCannotCreateObject);
            return std::make_unique<Reader>(*this);
        };
    }

    struct Reader : TagReader {
        explicit Reader(ScriptedTagReaders& owner) : owner_(owner) {
            ++owner_.created;
            owner_.mostAlive = std::max(owner_.mostAlive, ++owner_.alive);
        }
        ~Reader() override { --owner_.alive; }
        void OpenPhoto(const std::string& path) override { photo_ = &owner_.photos[path]; }
        std::string ErrorText() override { return photo_ ? photo_->error : ""; }
        std::string TagText(const std::string& tag) override {
            if (tag == photo_->failAtTag) throw RuntimeError(errFileAccess);
            return photo_->tags.count(tag) ? photo_->tags.at(tag) : "";
        }

    private:
        ScriptedTagReaders& owner_;
        ScriptedPhoto* photo_ = nullptr;
    };
};
