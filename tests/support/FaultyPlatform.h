#pragma once
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/Platform.h"

// The system's own platform, made to fail on purpose, as an ordinary user on any system
// meets failures: the n-th write, sync, rename or removal fails; the disk fills up after so
// many bytes; a named file is closed to this user; or, as if the program were killed there,
// the n-th change to the disk and every one after it are not made.
class FaultyPlatform : public Platform {
public:
    enum Step { create, write, sync, rename, remove, steps };

    FaultyPlatform() : real_(systemPlatform()) {}

    // The n-th step of this kind (counted from 1) fails with `error`.
    void failAt(Step step, int n, IoError error = IoError::other) { failures_[{step, n}] = error; }
    void diskFullAfter(uint64_t bytes) { room_ = bytes; }
    // Nothing may be done to the file: a file another program holds, or an immutable one.
    void deny(const std::string& path) { denied_.push_back(path); }
    // The file may be read, moved and removed, but not written.
    void makeReadOnly(const std::string& path) { readOnly_.push_back(path); }
    void stopAt(int change) { stopAt_ = change; }

    int count(Step step) const { return counts_[step]; }
    int changes() const { return changes_; }
    bool stopped() const { return stopAt_ > 0 && changes_ >= stopAt_; }

    std::string programFolder;  // the real one when empty
    std::vector<std::string> roots;  // the real ones when empty: a card or a stick as a drive
    // Every file asked for ahead, with `*progress` at that moment.
    std::vector<std::pair<std::string, int>> hints;
    const int* progress = nullptr;

    IoStatus Open(const std::string& path, OpenMode mode, std::unique_ptr<File>& file) override {
        if (isDenied(path) || (mode != OpenMode::read && isIn(readOnly_, path))) return denied();
        if (mode == OpenMode::create)
            if (IoStatus fault = step(create); !fault.ok()) return fault;
        std::unique_ptr<File> real;
        const IoStatus status = real_->Open(path, mode, real);
        if (status.ok()) file = std::make_unique<FaultyFile>(*this, std::move(real));
        return status;
    }
    void HintReads(const std::vector<std::string>& paths, size_t bytes) noexcept override {
        for (const std::string& path : paths) hints.emplace_back(path, progress ? *progress : 0);
        real_->HintReads(paths, bytes);
    }
    IoStatus Kind(const std::string& path, EntryKind& kind) override { return real_->Kind(path, kind); }
    IoStatus Rename(const std::string& from, const std::string& to) override {
        if (isDenied(from) || isDenied(to)) return denied();
        if (IoStatus fault = step(rename); !fault.ok()) return fault;
        return real_->Rename(from, to);
    }
    IoStatus Remove(const std::string& path) override {
        if (isDenied(path)) return denied();
        if (IoStatus fault = step(remove); !fault.ok()) return fault;
        return real_->Remove(path);
    }
    IoStatus CheckWritable(const std::string& path) override {
        return isDenied(path) || isIn(readOnly_, path) ? denied() : real_->CheckWritable(path);
    }
    IoStatus KeepPermissions(const std::string& from, const std::string& onto) override {
        return stopped() ? IoStatus{IoError::other, "stopped"} : real_->KeepPermissions(from, onto);
    }
    IoStatus SyncFolder(const std::string& folder) override {
        if (IoStatus fault = step(sync); !fault.ok()) return fault;
        return real_->SyncFolder(folder);
    }
    IoStatus List(const std::string& folder, std::vector<Entry>& entries) override {
        return isDenied(folder) ? denied() : real_->List(folder, entries);
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
        FaultyFile(FaultyPlatform& owner, std::unique_ptr<File> real) : owner_(owner), real_(std::move(real)) {}
        IoStatus ReadAt(uint64_t offset, void* into, size_t size, size_t& got) override {
            return real_->ReadAt(offset, into, size, got);
        }
        IoStatus WriteAt(uint64_t offset, const void* data, size_t size) override {
            if (IoStatus fault = owner_.step(write); !fault.ok()) return fault;
            if (owner_.room_ < size) return {IoError::diskFull, "No space left on device"};
            owner_.room_ -= size;
            return real_->WriteAt(offset, data, size);
        }
        IoStatus Size(uint64_t& size) override { return real_->Size(size); }
        IoStatus Sync() override {
            if (IoStatus fault = owner_.step(sync); !fault.ok()) return fault;
            return real_->Sync();
        }
        IoStatus Close() override { return real_->Close(); }

    private:
        FaultyPlatform& owner_;
        std::unique_ptr<File> real_;
    };

    // Counts one step, and tells whether it is to fail.
    IoStatus step(Step kind) {
        if (stopped()) return {IoError::other, "stopped"};
        ++changes_;
        if (stopped()) return {IoError::other, "stopped"};
        const auto fault = failures_.find({kind, ++counts_[kind]});
        return fault == failures_.end() ? IoStatus{} : IoStatus{fault->second, "made to fail"};
    }
    static bool isIn(const std::vector<std::string>& paths, const std::string& path) {
        for (const std::string& p : paths)
            if (p == path) return true;
        return false;
    }
    bool isDenied(const std::string& path) const { return isIn(denied_, path); }
    static IoStatus denied() { return {IoError::permission, "Permission denied"}; }

    std::unique_ptr<Platform> real_;
    std::map<std::pair<int, int>, IoError> failures_;
    int counts_[steps] = {};
    int changes_ = 0;
    int stopAt_ = 0;
    uint64_t room_ = UINT64_MAX;
    std::vector<std::string> denied_, readOnly_;
};
