#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/Platform.h"

namespace {
IoStatus failed(int err) {
    IoError kind;
    switch (err) {
    case ENOENT: kind = IoError::notFound; break;
    case ENOTDIR: kind = IoError::pathNotFound; break;
    case EACCES: case EPERM: case EROFS: case ETXTBSY: kind = IoError::permission; break;
    case ENOSPC: case EDQUOT: case EFBIG: kind = IoError::diskFull; break;
    case EISDIR: case ENXIO: kind = IoError::notAFile; break;
    case EEXIST: kind = IoError::exists; break;
    case EIO: case ENOTCONN: case ETIMEDOUT: case EHOSTDOWN: case EHOSTUNREACH: case ENETDOWN: case ENETUNREACH:
    case ENETRESET: case ECONNABORTED: case ECONNRESET: case ESTALE: case ENODEV: case ENOLINK: case EREMOTEIO:
        kind = IoError::storage; break;
    default: kind = IoError::other; break;
    }
    return {kind, std::strerror(err)};
}
IoStatus lastError() { return failed(errno); }

// Never blocks on a FIFO or a device that only looks like a photo, never becomes the
// controlling terminal, never leaks into a child process.
constexpr int openFlags = O_CLOEXEC | O_NOCTTY | O_NONBLOCK;

class PosixFile : public File {
public:
    // `opened`: the file's size when it was opened, when known.
    PosixFile(int fd, uint64_t opened) : fd_(fd), opened_(opened) {}
    ~PosixFile() override {
        if (fd_ >= 0) ::close(fd_);
    }

    IoStatus ReadAt(uint64_t offset, void* into, size_t size, size_t& got) override {
        got = 0;
        while (got < size) {
            const ssize_t n = pread(fd_, static_cast<char*>(into) + got, size - got, static_cast<off_t>(offset + got));
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) return lastError();
            got += static_cast<size_t>(n);
            // A read cut short where the file ended when it was opened is at its end: asking
            // again would be one more wait on a share, to hear nothing.
            if (n == 0 || (got < size && offset + got >= opened_)) break;
        }
        return {};
    }
    IoStatus WriteAt(uint64_t offset, const void* data, size_t size) override {
        for (size_t done = 0; done < size;) {
            const ssize_t n =
                pwrite(fd_, static_cast<const char*>(data) + done, size - done, static_cast<off_t>(offset + done));
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) return lastError();
            done += static_cast<size_t>(n);
        }
        return {};
    }
    IoStatus Size(uint64_t& size) override {
        struct stat info;
        if (fstat(fd_, &info) != 0) return lastError();
        size = static_cast<uint64_t>(info.st_size);
        return {};
    }
    IoStatus Sync() override { return fsync(fd_) == 0 ? IoStatus{} : lastError(); }
    IoStatus Close() override {
        const int result = ::close(fd_);
        fd_ = -1;
        return result == 0 ? IoStatus{} : lastError();
    }

private:
    int fd_;
    uint64_t opened_;
};

class PosixPlatform : public Platform {
public:
    ~PosixPlatform() override {
        if (display_) xcb_disconnect(display_);
    }

    IoStatus Open(const std::string& path, OpenMode mode, std::unique_ptr<File>& file) override {
        file.reset();
        // Only O_EXCL keeps a new file from being made through a link; O_NOFOLLOW says so twice.
        const int how = mode == OpenMode::read        ? O_RDONLY
                        : mode == OpenMode::createNew ? O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW
                                                      : O_RDWR;
        const int fd = ::open(path.c_str(), how | openFlags, 0666);
        if (fd < 0) return lastError();
        // A file just made is a regular one, and empty: on a share, one wait less.
        struct stat info {};
        const IoStatus known = mode == OpenMode::createNew || fstat(fd, &info) == 0 ? IoStatus{} : lastError();
        auto opened = std::make_unique<PosixFile>(fd, static_cast<uint64_t>(info.st_size));
        if (!known.ok()) return known;
        if (mode != OpenMode::createNew && !S_ISREG(info.st_mode)) return {IoError::notAFile, "not a regular file"};
        // The kernel's own read-ahead would fetch twice what the tag reader asks of a large
        // photo; many photos read at once keep the storage busy instead.
        if (mode == OpenMode::read) posix_fadvise(fd, 0, 0, POSIX_FADV_RANDOM);
        file = std::move(opened);
        return {};
    }

    IoStatus Kind(const std::string& path, EntryKind& kind) override {
        struct stat info;
        if (stat(path.c_str(), &info) != 0) return lastError();
        kind = S_ISDIR(info.st_mode) ? EntryKind::folder : S_ISREG(info.st_mode) ? EntryKind::file : EntryKind::other;
        return {};
    }
    IoStatus Rename(const std::string& from, const std::string& to) override {
        return ::rename(from.c_str(), to.c_str()) == 0 ? IoStatus{} : lastError();
    }
    IoStatus Remove(const std::string& path) override {
        return ::unlink(path.c_str()) == 0 ? IoStatus{} : lastError();
    }
    // Set through the file itself, never through a link put in its place: that would hand
    // the rights to whatever file the link names. The file is held by a descriptor that only
    // names it, which asks the storage nothing (on a share an open and a close are two more
    // waits), and set through the system's name for that descriptor; without /proc, through
    // the file opened.
    IoStatus KeepPermissions(const std::string& from, const std::string& onto) override {
        struct stat info;
        if (stat(from.c_str(), &info) != 0) return lastError();
        const mode_t mode = info.st_mode & 07777;
        const int named = ::open(onto.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
        if (named < 0) return lastError();
        // A link held so is the link itself: the system refuses to set its rights, or sets
        // the link's own, never those of the file it names.
        IoStatus status;
        if (chmod(("/proc/self/fd/" + std::to_string(named)).c_str(), mode) != 0)
            status = errno == ENOENT ? throughOpened(onto, mode) : lastError();
        ::close(named);
        return status;
    }
    static IoStatus throughOpened(const std::string& path, mode_t mode) {
        int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | openFlags);
        if (fd < 0 && errno == EACCES)  // a umask that took the owner's right to read
            fd = ::open(path.c_str(), O_WRONLY | O_NOFOLLOW | openFlags);
        if (fd < 0) return lastError();
        const IoStatus status = fchmod(fd, mode) == 0 ? IoStatus{} : lastError();
        ::close(fd);
        return status;
    }
    IoStatus SyncFolder(const std::string& folder) override {
        const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) return lastError();
        const IoStatus status = fsync(fd) == 0 ? IoStatus{} : lastError();
        ::close(fd);
        return status;
    }

    IoStatus ReadFolder(const std::string& folder, std::vector<Entry>& entries) override {
        entries.clear();
        DIR* dir = opendir(folder.c_str());
        if (!dir) return errno == ENOENT ? IoStatus{IoError::pathNotFound, std::strerror(errno)} : lastError();
        for (;;) {
            errno = 0;
            const dirent* entry = readdir(dir);
            if (!entry) break;
            const std::string name = entry->d_name;
            if (name == "." || name == "..") continue;
            // A link and a file system that keeps no kinds in its folders (DT_UNKNOWN) are
            // left to Kind.
            const EntryKind kind = entry->d_type == DT_DIR   ? EntryKind::folder
                                   : entry->d_type == DT_REG ? EntryKind::file
                                   : entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN ? EntryKind::unknown
                                                                                             : EntryKind::other;
            entries.push_back({name, kind, name[0] == '.'});
        }
        // A share that breaks off in the middle gives no half a folder.
        const IoStatus status = errno == 0 ? IoStatus{} : lastError();
        closedir(dir);
        if (!status.ok()) entries.clear();
        return status;
    }
    std::string CurrentFolder() override {
        char* path = getcwd(nullptr, 0);
        const std::string folder = path ? path : "";
        std::free(path);
        return folder;
    }
    std::string ProgramFolder() override {
        std::string program(4096, '\0');
        const ssize_t length = readlink("/proc/self/exe", program.data(), program.size());
        if (length <= 0 || static_cast<size_t>(length) >= program.size()) return "";
        program.resize(static_cast<size_t>(length));
        const size_t slash = program.rfind('/');
        return slash == 0 ? "/" : program.substr(0, slash);
    }

    char Separator() const override { return '/'; }
    bool IsAbsolute(const std::string& path) const override { return !path.empty() && path[0] == '/'; }
    std::vector<std::string> Roots() override { return {"/"}; }
    std::string Clean(const std::string& folder) const override {
        std::string clean;
        for (size_t at = 0; at < folder.size();) {
            const size_t end = std::min(folder.find('/', at), folder.size());
            if (end > at) clean += "/" + folder.substr(at, end - at);
            at = end + 1;
        }
        return clean.empty() && !folder.empty() ? "/" : clean;
    }
    std::vector<std::string> Chain(const std::string& folder) const override {
        std::vector<std::string> chain = {"/"};
        for (size_t at = folder.find('/', 1); folder.size() > 1; at = folder.find('/', at + 1)) {
            chain.push_back(folder.substr(0, at));
            if (at == std::string::npos) break;
        }
        return chain;
    }

    // An X connection is held for as long as the program runs: a virtual server that has
    // lost its last client resets, and would turn Qt's own connection away in that moment.
    std::string DisplayProblem() override {
        const auto variable = [](const char* name) -> std::string {
            const char* value = std::getenv(name);
            return value ? value : "";
        };
        if (!variable("QT_QPA_PLATFORM").empty() || !variable("WAYLAND_DISPLAY").empty()) return "";
        const std::string display = variable("DISPLAY");
        if (display.empty()) return "no graphical display is set (DISPLAY and WAYLAND_DISPLAY are empty)";
        if (!display_) display_ = xcb_connect(display.c_str(), nullptr);
        return xcb_connection_has_error(display_) == 0 ? "" : "the display " + display + " cannot be reached";
    }

private:
    xcb_connection_t* display_ = nullptr;
};
}  // namespace

std::unique_ptr<Platform> systemPlatform() { return std::make_unique<PosixPlatform>(); }
