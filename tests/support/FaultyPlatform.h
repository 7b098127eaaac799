#pragma once
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "TempDir.h"
#include "platform/Platform.h"

// The system's own platform, made to fail on purpose, as an ordinary user on any system
// meets failures: the n-th write, sync, rename or removal fails; the disk fills up after so
// many bytes; a named file is closed to this user, or every request on a path fails; or, as if the program were killed there,
// the n-th change to the disk and every one after it are not made. After that, a power cut
// may take what was not yet on the storage: the data of a file written since its last sync,
// and every name made, moved or removed in a folder since that folder's last sync.
// Safe to call from several threads at once, as the platform is; a request may also be made
// to wait, as on a share that does not answer.
class FaultyPlatform : public Platform {
public:
    enum Step { create, write, sync, rename, remove, steps };

    FaultyPlatform() : real_(systemPlatform()) {}
    // Every request (opening, listing, asking what a path is) waits until answer(), as on a
    // share that does not answer; with a path, only the requests on that path, until it is
    // answered or everything is. A request waits 30 seconds at most, so that a test whose
    // window waits on it fails, not hangs.
    void stall(const std::string& path = "") { booked([&] { book_.held.insert(path); }); }
    void answer(const std::string& path = "") {
        booked([&] { path.empty() ? book_.held.clear() : void(book_.held.erase(path)), book_.gate.notify_all(); });
    }
    int waiting() { return booked([&] { return book_.waiting; }); }

    // The n-th step of this kind (counted from 1) fails with `error`.
    void failAt(Step step, int n, IoError error = IoError::other) { failures_[{step, n}] = error; }
    void diskFullAfter(uint64_t bytes) { room_ = bytes; }
    // The n-th rename is made, then answered with `error`: a share replaying a request whose
    // answer was lost.
    void loseRenameAnswer(int n, IoError error) { lostRename_ = {n, error}; }
    // Nothing may be done to the file: a file another program holds, or an immutable one.
    void deny(const std::string& path) { denied_.push_back(path); }
    // Another program has the file open and lets it be neither moved nor written.
    void hold(const std::string& path) { held_.push_back(path); }
    // The file may be read, moved and removed, but not written.
    void makeReadOnly(const std::string& path) { readOnly_.push_back(path); }
    void stopAt(int change) { stopAt_ = change; }
    // The n-th change to the disk, of any kind, fails; those after it are made.
    void failChange(int change, IoError error = IoError::other) { failChange_ = {change, error}; }
    // Requests on `path`, whichever they are, fail with `error`, as a transient error or a share
    // that stops answering: every one, or only the n-th (counted from 1).
    void failOn(const std::string& path, IoError error, int n = 0) { failOn_ = {path, error, n}; }
    // Reading these files fails with `error`: at the opening where nothing is there (notFound,
    // pathNotFound), else at the first read, as on a bad sector or a share that dropped. With
    // `allGone`, the first such failure takes the rest with it: every look-up and listing after
    // it fails the same way, as on a share that went away.
    void failReads(std::set<std::string> paths, IoError error, bool allGone) {
        booked([&] { unreadable_ = {std::move(paths), error, allGone, false}; });
    }
    // After a stopAt() (no other run keeps copies for it): unsynced files empty, folder changes undone.
    void powerCut() {
        std::lock_guard<std::mutex> lock(book_.m);
        for (const std::string& path : unsynced_)
            if (std::filesystem::exists(path)) std::filesystem::resize_file(path, 0);
        for (auto change = journal_.rbegin(); change != journal_.rend(); ++change) {
            if (change->movedFrom.empty()) std::filesystem::remove(change->name);
            if (!change->movedFrom.empty()) std::filesystem::rename(change->name, change->movedFrom);
            if (change->before) std::ofstream(change->name, std::ios::binary) << *change->before;
        }
        unsynced_.clear();
        journal_.clear();
    }

    int count(Step step) const { return counts_[step]; }
    int changes() const { return changes_; }
    int requestsOn() const { return failOn_.seen; }  // on the path of failOn()
    bool stopped() const { return stopAt_ > 0 && changes_ >= stopAt_; }

    // Syncs seen by powerCut() alone, not made (no real power is cut); what was not synced
    // is kept track of for powerCut() to undo, as after a stopAt().
    bool modelSyncsOnly = false;
    std::function<void()> beforeChange;  // sees each state a cut (stopAt) could leave
    std::function<void()> beforeKeeping;  // runs as the rights of a file are to be set
    std::string programFolder;  // the real one when empty
    std::vector<std::string> roots;  // the real ones when empty: a card or a stick as a drive

    IoStatus Open(const std::string& path, OpenMode mode, std::unique_ptr<File>& file) override {
        waitWhileHeld(path);
        if (IoStatus fault = onPath(path); !fault.ok()) return fault;
        if (isDenied(path) || (mode != OpenMode::read && isIn(readOnly_, path))) return denied();
        const bool unreadable = booked([&] { return unreadable_.paths.count(path) > 0; });
        if (unreadable && (unreadable_.error == IoError::notFound || unreadable_.error == IoError::pathNotFound))
            return readFailed();
        if (mode == OpenMode::replace && isIn(held_, path)) return {IoError::held, "made to fail"};
        if (mode == OpenMode::createNew)
            if (IoStatus fault = step(create); !fault.ok()) return fault;
        std::unique_ptr<File> real;
        const IoStatus status = real_->Open(path, mode, real);
        if (status.ok() && mode == OpenMode::createNew && cuttable()) booked([&] { journal_.push_back({path, "", {}}); });
        if (status.ok()) file = std::make_unique<FaultyFile>(*this, path, std::move(real), unreadable);
        return status;
    }
    IoStatus Kind(const std::string& path, EntryKind& kind) override {
        waitWhileHeld(path);
        if (IoStatus fault = onPath(path); !fault.ok()) return fault;
        if (booked([&] { return unreadable_.gone; })) return {unreadable_.error, "made to fail"};
        return real_->Kind(path, kind);
    }
    // A rename or removal of nothing changes nothing: the system's own answer.
    IoStatus Rename(const std::string& from, const std::string& to) override {
        if (IoStatus fault = onPath(from); !fault.ok()) return fault;
        if (IoStatus fault = onPath(to); !fault.ok()) return fault;
        if (!there(from)) return real_->Rename(from, to);
        if (isDenied(from) || isDenied(to)) return denied();
        if (isIn(held_, from)) return {IoError::held, "made to fail"};
        if (IoStatus fault = step(rename); !fault.ok()) return fault;
        const FolderChange change{to, from, cuttable() ? fileBytes(to) : std::nullopt};
        const IoStatus status = real_->Rename(from, to);
        std::lock_guard<std::mutex> lock(book_.m);
        if (status.ok() && cuttable()) journal_.push_back(change);
        if (status.ok() && unsynced_.erase(from)) unsynced_.insert(to);
        if (status.ok() && counts_[rename] == lostRename_.first) return {lostRename_.second, "made, its answer lost"};
        return status;
    }
    IoStatus Remove(const std::string& path) override {
        if (IoStatus fault = onPath(path); !fault.ok()) return fault;
        if (!there(path)) return real_->Remove(path);
        if (isDenied(path)) return denied();
        if (IoStatus fault = step(remove); !fault.ok()) return fault;
        const FolderChange change{path, "", cuttable() ? fileBytes(path) : std::nullopt};
        const IoStatus status = real_->Remove(path);
        if (status.ok() && change.before) booked([&] { journal_.push_back(change); });
        return status;
    }
    IoStatus KeepPermissions(const std::string& from, const std::string& onto) override {
        if (IoStatus fault = onPath(from); !fault.ok()) return fault;
        if (IoStatus fault = onPath(onto); !fault.ok()) return fault;
        if (beforeKeeping) beforeKeeping();
        return stopped() ? IoStatus{IoError::other, "stopped"} : real_->KeepPermissions(from, onto);
    }
    IoStatus SyncFolder(const std::string& folder) override {
        if (IoStatus fault = step(sync); !fault.ok()) return fault;
        const IoStatus status = modelSyncsOnly ? IoStatus{} : real_->SyncFolder(folder);
        const std::filesystem::path synced = std::filesystem::path(folder).lexically_normal();
        std::lock_guard<std::mutex> lock(book_.m);
        for (auto change = journal_.begin(); status.ok() && change != journal_.end();) {
            const bool inFolder = std::filesystem::path(change->name).parent_path() / "" == synced / "";
            change = inFolder ? journal_.erase(change) : std::next(change);
        }
        return status;
    }
    IoStatus ReadFolder(const std::string& folder, std::vector<Entry>& entries) override {
        waitWhileHeld(folder);
        if (booked([&] { return unreadable_.gone; })) return {unreadable_.error, "made to fail"};
        return isDenied(folder) ? denied() : real_->ReadFolder(folder, entries);
    }
    std::string CurrentFolder() override { return real_->CurrentFolder(); }
    std::string ProgramFolder() override { return programFolder.empty() ? real_->ProgramFolder() : programFolder; }
    char Separator() const override { return real_->Separator(); }
    bool IsAbsolute(const std::string& path) const override { return real_->IsAbsolute(path); }
    std::vector<std::string> Roots() override { return roots.empty() ? real_->Roots() : roots; }
    std::string Clean(const std::string& folder) const override { return real_->Clean(folder); }
    std::vector<std::string> Chain(const std::string& folder) const override { return real_->Chain(folder); }
    std::string DisplayProblem() override { return real_->DisplayProblem(); }

private:
    class FaultyFile : public File {
    public:
        FaultyFile(FaultyPlatform& owner, std::string path, std::unique_ptr<File> real, bool unreadable)
            : owner_(owner), path_(std::move(path)), real_(std::move(real)), unreadable_(unreadable) {}
        IoStatus ReadAt(uint64_t offset, void* into, size_t size, size_t& got) override {
            return unreadable_ ? owner_.readFailed() : real_->ReadAt(offset, into, size, got);
        }
        IoStatus WriteAt(uint64_t offset, const void* data, size_t size) override {
            if (IoStatus fault = owner_.step(write); !fault.ok()) return fault;
            std::unique_lock<std::mutex> lock(owner_.book_.m);
            if (owner_.room_ < size) return {IoError::diskFull, "No space left on device"};
            owner_.room_ -= size;
            if (owner_.cuttable()) owner_.unsynced_.insert(path_);
            lock.unlock();
            return real_->WriteAt(offset, data, size);
        }
        IoStatus Size(uint64_t& size) override { return real_->Size(size); }
        IoStatus Sync() override {
            if (IoStatus fault = owner_.step(sync); !fault.ok()) return fault;
            const IoStatus status = owner_.modelSyncsOnly ? IoStatus{} : real_->Sync();
            if (status.ok()) owner_.booked([&] { owner_.unsynced_.erase(path_); });
            return status;
        }
        IoStatus Close() override { return real_->Close(); }

    private:
        FaultyPlatform& owner_;
        const std::string path_;
        std::unique_ptr<File> real_;
        const bool unreadable_;
    };

    // One request at a time in the bookkeeping; the system's own calls run side by side.
    template <typename F>
    std::invoke_result_t<F&> booked(F&& f) {
        std::lock_guard<std::mutex> lock(book_.m);
        return f();
    }
    void waitWhileHeld(const std::string& path) {
        std::unique_lock<std::mutex> lock(book_.m);
        const auto held = [&] { return book_.held.count("") || book_.held.count(path); };
        if (!held()) return;
        ++book_.waiting;
        book_.gate.wait_for(lock, std::chrono::seconds(30), [&] { return !held(); });
        --book_.waiting;
    }

    IoStatus onPath(const std::string& path) {
        std::lock_guard<std::mutex> lock(book_.m);
        if (path != failOn_.path || (++failOn_.seen != failOn_.n && failOn_.n)) return {};
        return {failOn_.error, "made to fail"};
    }
    // Counts one step, and tells whether it is to fail.
    IoStatus step(Step kind) {
        std::lock_guard<std::mutex> lock(book_.m);
        if (stopped()) return {IoError::other, "stopped"};
        if (beforeChange) beforeChange();
        ++changes_;
        if (stopped()) return {IoError::other, "stopped"};
        if (changes_ == failChange_.first) return {failChange_.second, "made to fail"};
        const auto fault = failures_.find({kind, ++counts_[kind]});
        return fault == failures_.end() ? IoStatus{} : IoStatus{fault->second, "made to fail"};
    }
    static bool isIn(const std::vector<std::string>& paths, const std::string& path) {
        for (const std::string& p : paths)
            if (p == path) return true;
        return false;
    }
    bool isDenied(const std::string& path) const { return isIn(denied_, path); }
    static bool there(const std::string& path) {
        std::error_code error;
        return std::filesystem::symlink_status(path, error).type() != std::filesystem::file_type::not_found;
    }
    bool cuttable() const { return stopAt_ > 0 || modelSyncsOnly; }
    static IoStatus denied() { return {IoError::permission, "Permission denied"}; }
    IoStatus readFailed() {
        return booked([&] {
            unreadable_.gone = unreadable_.allGone;
            return IoStatus{unreadable_.error, "made to fail"};
        });
    }
    // A name made (movedFrom empty: the Save makes none over a file), moved here, or removed,
    // and the file it held before.
    struct FolderChange {
        std::string name, movedFrom;
        std::optional<std::string> before;
    };

    std::unique_ptr<Platform> real_;
    std::map<std::pair<int, int>, IoError> failures_;
    int counts_[steps] = {};
    std::pair<int, IoError> lostRename_{0, IoError::none};
    int changes_ = 0;
    int stopAt_ = 0;
    std::pair<int, IoError> failChange_{0, IoError::none};
    struct {
        std::string path;
        IoError error;
        int n, seen = 0;
    } failOn_{"", IoError::none, 0};
    uint64_t room_ = UINT64_MAX;
    struct {
        std::set<std::string> paths;
        IoError error = IoError::none;
        bool allGone = false, gone = false;
    } unreadable_;
    std::vector<std::string> denied_, readOnly_, held_;
    std::set<std::string> unsynced_;
    std::vector<FolderChange> journal_;
    struct Book {  // the bookkeeping's lock, and the gate where requests wait
        std::mutex m;
        std::condition_variable gate;
        std::set<std::string> held;  // "" holds every path
        int waiting = 0;
        Book() = default;
        Book& operator=(Book&&) noexcept { return *this; }  // a platform made afresh keeps its own
    } book_;
};
