#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/IoStatus.h"

// Everything the program asks of the operating system, in one place: files, folders, paths
// and the display. One implementation per system; tests wrap it to make it fail on purpose.
//
// Threads: Open, Kind, List, ReadFolder and the path calls may be made from several threads
// at once (Read fetches many photos side by side, a folder is listed beside the window). Every
// other call is made from one thread at a time, though beside those: a Save writes on a thread
// of its own while a folder is listed, and readers of a stopped Read may still wait on theirs.
// Each File is used by one thread at a time.

// An open file, read and written at explicit offsets; it keeps no position of its own.
class File {
public:
    virtual ~File() = default;
    // Up to `size` bytes at `offset`: fewer only at the end of the file.
    virtual IoStatus ReadAt(uint64_t offset, void* into, size_t size, size_t& got) = 0;
    // All `size` bytes at `offset`, or an error.
    virtual IoStatus WriteAt(uint64_t offset, const void* data, size_t size) = 0;
    virtual IoStatus Size(uint64_t& size) = 0;
    // Everything written so far reaches the storage.
    virtual IoStatus Sync() = 0;
    // Some file systems report a failed write only here. A file not closed is closed when destroyed.
    virtual IoStatus Close() = 0;
};

enum class OpenMode {
    read,       // an existing regular file, read where asked and not ahead; another kind is notAFile
    readWrite,  // an existing file
    // A file made now, read and written; `exists` when anything has the name, a link too,
    // which is never followed: what a shared folder's other users put there is never written.
    createNew,
    // An existing file that is to be replaced, read; refused as writing it in place, or moving
    // it aside while other programs have it open, would be (`held` when one of them does not
    // let it).
    replace,
};

// `unknown` comes only from ReadFolder: a link, or a file system whose listing does not tell.
enum class EntryKind { folder, file, other, unknown };

struct Entry {
    std::string name;  // the file system's bytes, whatever their encoding
    EntryKind kind;    // of what a link leads to
    bool hidden = false;
};

class Platform {
public:
    virtual ~Platform() = default;

    // Files.
    virtual IoStatus Open(const std::string& path, OpenMode mode, std::unique_ptr<File>& file) = 0;
    // What `path` is (for a link, what it leads to); notFound when nothing is there.
    virtual IoStatus Kind(const std::string& path, EntryKind& kind) = 0;
    // Moves a file to a name in the same folder, replacing a file there, in one step. Fails
    // `held` when another program has the file open and does not share it (on Windows only,
    // after asking again for about a second, as do Remove and Open to write).
    virtual IoStatus Rename(const std::string& from, const std::string& to) = 0;
    virtual IoStatus Remove(const std::string& path) = 0;
    // Gives `onto` the access rights of `from`: its permission bits, or on Windows its access
    // control list (where the storage lets this user set one) and its hidden attribute.
    virtual IoStatus KeepPermissions(const std::string& from, const std::string& onto) = 0;
    // The folder's entries (new names, renames, removals) reach the storage.
    virtual IoStatus SyncFolder(const std::string& folder) = 0;

    // Folders.
    // The folder's entries, in as few requests as the system allows: each kind comes from the
    // listing itself, and Kind is asked only where the listing cannot tell. An entry whose
    // kind cannot be had (a link to nothing) is left out. pathNotFound when the folder is
    // not there; permission, or other for a share that breaks off.
    IoStatus List(const std::string& folder, std::vector<Entry>& entries) {
        const IoStatus status = ReadFolder(folder, entries);
        if (!status.ok()) return status;
        for (Entry& entry : entries)
            if (entry.kind == EntryKind::unknown && !Kind(Child(folder, entry.name), entry.kind).ok())
                entry.kind = EntryKind::unknown;
        entries.erase(std::remove_if(entries.begin(), entries.end(),
                                     [](const Entry& entry) { return entry.kind == EntryKind::unknown; }),
                      entries.end());
        return status;
    }
    // The listing alone, for List: a kind it does not carry is `unknown`.
    virtual IoStatus ReadFolder(const std::string& folder, std::vector<Entry>& entries) = 0;
    // The process's current folder, or "" when it cannot be named (a path longer than the
    // system hands out).
    virtual std::string CurrentFolder() = 0;
    // The folder that holds the program.
    virtual std::string ProgramFolder() = 0;

    // Paths, in the system's own spelling.
    virtual char Separator() const = 0;
    virtual bool IsAbsolute(const std::string& path) const = 0;
    // The tops of the folder tree: "/" alone, or each drive.
    virtual std::vector<std::string> Roots() = 0;
    // `folder` in one spelling: no doubled or trailing separators (a root keeps its own).
    virtual std::string Clean(const std::string& folder) const = 0;
    // A clean absolute folder and each folder above it, from its root down to itself.
    virtual std::vector<std::string> Chain(const std::string& folder) const = 0;

    // `name` in `folder`, with one separator between them.
    std::string Child(const std::string& folder, const std::string& name) const {
        return !folder.empty() && folder.back() == Separator() ? folder + name : folder + Separator() + name;
    }

    // Why no window can be shown here, or "" when one can.
    virtual std::string DisplayProblem() = 0;
};

// The running system's platform.
std::unique_ptr<Platform> systemPlatform();
