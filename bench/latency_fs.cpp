// A folder seen through FUSE as a program sees a share across a network: every request is
// answered after the same wait, and many are served at once, each waiting on its own thread.
//
//     latency_fs SOURCE WAIT MOUNTPOINT [FUSE OPTION...]
//
// WAIT is "1ms" or "500us". Writable (files only: made, written, synced, moved, removed and
// given rights, each a request like the others); stays in the foreground; -o max_threads=N
// serves up to N requests at once (libfuse's default is 10). The kernel keeps nothing (no page cache,
// no attribute or name), so each of a program's requests reaches us, as on a share; a
// listing carries each entry's attributes, as a share's does.
//
// MOUNTPOINT/.latency-counts, which no listing shows, reads as the requests served so far
// ("getattr 12", ..., "total 40") and the most waited on at once since it was last read
// ("most_in_flight 3"); reading it is neither counted nor delayed. A program on the mount
// (a Windows one under Wine too) can so count the requests of what it does.
//
// The share fails on command, as one that drops off the network: after SIGUSR1 every request
// fails with EIO, after SIGUSR2 it answers again; SIGSTOP and SIGCONT stall and resume it.
// LATENCY_FS_FAIL=all@K fails every request from the K-th file opened on (the share goes
// away at about the K-th photo); reads@K only the reads from then on, the folder still
// answering (each photo fails by itself).
#define FUSE_USE_VERSION 312
#include <dirent.h>
#include <fcntl.h>
#include <fuse.h>
#include <fuse_lowlevel.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>

namespace {
int source = -1;
std::chrono::microseconds wait{0};

enum Kind {
    getattrs, opens, reads, flushes, releases, opendirs, readdirs, releasedirs, statfss, accesses,
    creates, writes, truncates, fsyncs, fsyncdirs, renames, unlinks, chmods, chowns, stamps, kinds
};
const char* const kindNames[kinds] = {"getattr", "open",   "read",     "flush",    "release",  "opendir", "readdir",
                                      "releasedir", "statfs", "access", "create", "write", "truncate", "fsync",
                                      "fsyncdir", "rename", "unlink", "chmod", "chown", "utimens"};
std::atomic<long> counts[kinds];
std::atomic<int> inFlight{0}, mostInFlight{0};

// One request: counted, then answered after the wait.
struct Request {
    explicit Request(Kind kind) {
        ++counts[kind];
        const int now = ++inFlight;
        for (int most = mostInFlight; now > most && !mostInFlight.compare_exchange_weak(most, now);) {
        }
        std::this_thread::sleep_for(wait);
    }
    ~Request() { --inFlight; }
};

// The counts as of the last opening of the counts file; a file handle that is no descriptor.
constexpr const char* countsPath = "/.latency-counts";
constexpr uint64_t countsHandle = UINT64_MAX;
std::mutex countsMutex;
std::string countsText;

bool isCounts(const char* path) { return path && std::strcmp(path, countsPath) == 0; }

std::string takeCounts() {
    std::string text;
    long total = 0;
    for (int k = 0; k < kinds; ++k) {
        text += std::string(kindNames[k]) + ' ' + std::to_string(counts[k]) + '\n';
        total += counts[k];
    }
    return text + "total " + std::to_string(total) + "\nmost_in_flight " + std::to_string(mostInFlight.exchange(0)) +
           '\n';
}

const char* relative(const char* path) { return path[1] ? path + 1 : "."; }
int result(long r) { return r < 0 ? -errno : static_cast<int>(r); }
int descriptor(const fuse_file_info* fi) { return static_cast<int>(fi->fh); }

// The answers, named after the requests.
namespace answer {
void* init(fuse_conn_info*, fuse_config* config) {
    config->direct_io = 1;
    config->kernel_cache = 0;
    config->attr_timeout = config->entry_timeout = config->negative_timeout = 0;
    config->use_ino = 1;
    return nullptr;
}

int getattr(const char* path, struct stat* st, fuse_file_info* fi) {
    if (isCounts(path)) {
        *st = {};
        st->st_mode = S_IFREG | 0444;
        st->st_nlink = 1;
        st->st_size = 4096;  // read past the text, it ends early
        return 0;
    }
    Request r(getattrs);
    return result(fi ? fstat(descriptor(fi), st) : fstatat(source, relative(path), st, AT_SYMLINK_NOFOLLOW));
}

int open(const char* path, fuse_file_info* fi) {
    if (isCounts(path)) {
        const std::lock_guard<std::mutex> lock(countsMutex);
        countsText = takeCounts();
        fi->fh = countsHandle;
        return 0;
    }
    Request r(opens);
    const int fd = openat(source, relative(path), fi->flags & ~(O_CREAT | O_TRUNC));
    if (fd < 0) return -errno;
    fi->fh = static_cast<uint64_t>(fd);
    return 0;
}

int read(const char*, char* into, size_t size, off_t offset, fuse_file_info* fi) {
    if (fi->fh == countsHandle) {
        const std::lock_guard<std::mutex> lock(countsMutex);
        const size_t from = std::min(countsText.size(), static_cast<size_t>(offset));
        const size_t got = std::min(size, countsText.size() - from);
        std::memcpy(into, countsText.data() + from, got);
        return static_cast<int>(got);
    }
    Request r(reads);
    return result(pread(descriptor(fi), into, size, offset));
}

int flush(const char*, fuse_file_info* fi) {
    if (fi->fh == countsHandle) return 0;
    Request r(flushes);
    return 0;
}

int release(const char*, fuse_file_info* fi) {
    if (fi->fh == countsHandle) return 0;
    Request r(releases);
    return result(close(descriptor(fi)));
}

int opendir(const char* path, fuse_file_info* fi) {
    Request r(opendirs);
    const int fd = openat(source, relative(path), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return -errno;
    DIR* dir = fdopendir(fd);
    if (!dir) return close(fd), -ENOMEM;
    fi->fh = reinterpret_cast<uint64_t>(dir);
    return 0;
}

// One request for each buffer the kernel asks for, from where the last one stopped.
int readdir(const char*, void* buffer, fuse_fill_dir_t fill, off_t offset, fuse_file_info* fi, fuse_readdir_flags) {
    Request r(readdirs);
    DIR* dir = reinterpret_cast<DIR*>(fi->fh);
    seekdir(dir, offset);
    while (const dirent* entry = ::readdir(dir)) {
        struct stat st {};
        if (fstatat(dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (fill(buffer, entry->d_name, &st, telldir(dir), FUSE_FILL_DIR_PLUS)) break;
    }
    return 0;
}

int releasedir(const char*, fuse_file_info* fi) {
    Request r(releasedirs);
    closedir(reinterpret_cast<DIR*>(fi->fh));
    return 0;
}

int statfs(const char*, struct statvfs* st) {
    Request r(statfss);
    return result(fstatvfs(source, st));
}

int access(const char* path, int mode) {
    if (isCounts(path)) return 0;
    Request r(accesses);
    return result(faccessat(source, relative(path), mode, 0));
}

// The writing side: what a program that saves a file asks.
int create(const char* path, mode_t mode, fuse_file_info* fi) {
    Request r(creates);
    const int fd = openat(source, relative(path), fi->flags | O_CREAT, mode);
    if (fd < 0) return -errno;
    fi->fh = static_cast<uint64_t>(fd);
    return 0;
}

int write(const char*, const char* data, size_t size, off_t offset, fuse_file_info* fi) {
    Request r(writes);
    return result(pwrite(descriptor(fi), data, size, offset));
}

int truncate(const char* path, off_t size, fuse_file_info* fi) {
    Request r(truncates);
    if (fi) return result(ftruncate(descriptor(fi), size));
    const int fd = openat(source, relative(path), O_WRONLY | O_NOFOLLOW);
    if (fd < 0) return -errno;
    const int done = result(ftruncate(fd, size));
    close(fd);
    return done;
}

int fsync(const char*, int, fuse_file_info* fi) {
    Request r(fsyncs);
    return result(::fsync(descriptor(fi)));
}

int fsyncdir(const char*, int, fuse_file_info* fi) {
    Request r(fsyncdirs);
    return result(::fsync(dirfd(reinterpret_cast<DIR*>(fi->fh))));
}

int rename(const char* from, const char* to, unsigned int flags) {
    Request r(renames);
    if (flags != 0) return -EINVAL;
    return result(renameat(source, relative(from), source, relative(to)));
}

int unlink(const char* path) {
    Request r(unlinks);
    return result(unlinkat(source, relative(path), 0));
}

int chmod(const char* path, mode_t mode, fuse_file_info* fi) {
    Request r(chmods);
    return result(fi ? fchmod(descriptor(fi), mode) : fchmodat(source, relative(path), mode, 0));
}

int chown(const char* path, uid_t uid, gid_t gid, fuse_file_info* fi) {
    Request r(chowns);
    return result(fi ? fchown(descriptor(fi), uid, gid)
                     : fchownat(source, relative(path), uid, gid, AT_SYMLINK_NOFOLLOW));
}

int utimens(const char* path, const struct timespec times[2], fuse_file_info* fi) {
    Request r(stamps);
    return result(fi ? futimens(descriptor(fi), times) : utimensat(source, relative(path), times, AT_SYMLINK_NOFOLLOW));
}
}  // namespace answer

// Failing on command: which requests fail, and from which file opened on.
enum class Failing { none, reads, all };
std::atomic<Failing> failing{Failing::none};
std::atomic<long> failFromOpen{0};
Failing failingFrom = Failing::none;

// -EIO when the request is to fail; the counts file always answers.
int refused(bool isRead, const char* path) {
    const Failing now = failing;
    if (isCounts(path) || now == Failing::none || (now == Failing::reads && !isRead)) return 0;
    return -EIO;
}

template <auto Answer, bool isRead = false>
struct FailingAnswer;
template <typename... Arguments, int (*Answer)(const char*, Arguments...), bool isRead>
struct FailingAnswer<Answer, isRead> {
    static int call(const char* path, Arguments... arguments) {
        if (const int error = refused(isRead, path)) return error;
        return Answer(path, arguments...);
    }
};

int openCounted(const char* path, fuse_file_info* fi) {
    if (!isCounts(path) && failFromOpen > 0 && --failFromOpen == 0) failing = failingFrom;
    return FailingAnswer<answer::open>::call(path, fi);
}

bool parseFailing(const char* text) {
    if (!text) return true;
    const std::string order = text;
    const auto at = order.find('@');
    if (at == std::string::npos || (order.substr(0, at) != "all" && order.substr(0, at) != "reads")) return false;
    failingFrom = order.substr(0, at) == "all" ? Failing::all : Failing::reads;
    failFromOpen = std::atol(order.c_str() + at + 1);
    return failFromOpen > 0;
}

// The requests a share that went away fails; closing what is open always works.
void failOnCommand(fuse_operations& o) {
    o.getattr = FailingAnswer<answer::getattr>::call;
    o.open = openCounted;
    o.read = FailingAnswer<answer::read, true>::call;
    o.opendir = FailingAnswer<answer::opendir>::call;
    o.readdir = FailingAnswer<answer::readdir>::call;
    o.statfs = FailingAnswer<answer::statfs>::call;
    o.access = FailingAnswer<answer::access>::call;
    std::signal(SIGUSR1, [](int) { failing = Failing::all; });
    std::signal(SIGUSR2, [](int) { failing = Failing::none; });
}

fuse_operations operations() {
    fuse_operations o{};
    o.init = answer::init;
    o.getattr = answer::getattr;
    o.open = answer::open;
    o.read = answer::read;
    o.flush = answer::flush;
    o.release = answer::release;
    o.opendir = answer::opendir;
    o.readdir = answer::readdir;
    o.releasedir = answer::releasedir;
    o.statfs = answer::statfs;
    o.access = answer::access;
    o.create = answer::create;
    o.write = answer::write;
    o.truncate = answer::truncate;
    o.fsync = answer::fsync;
    o.fsyncdir = answer::fsyncdir;
    o.rename = answer::rename;
    o.unlink = answer::unlink;
    o.chmod = answer::chmod;
    o.chown = answer::chown;
    o.utimens = answer::utimens;
    return o;
}

bool parseWait(const std::string& text) {
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    const std::string unit = end;
    if (value < 0 || (unit != "ms" && unit != "us")) return false;
    wait = std::chrono::microseconds(static_cast<long>(unit == "ms" ? value * 1000 : value));
    return true;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc < 4 || !parseWait(argv[2]) || !parseFailing(std::getenv("LATENCY_FS_FAIL")) ||
        (source = ::open(argv[1], O_RDONLY | O_DIRECTORY)) < 0) {
        std::fprintf(stderr, "usage: %s SOURCE WAIT(e.g. 1ms, 500us) MOUNTPOINT [FUSE OPTION...]\n", argv[0]);
        return 2;
    }
    // The mount point and FUSE's options, after the program's name.
    argv[2] = argv[0];
    fuse_args args = FUSE_ARGS_INIT(argc - 2, argv + 2);
    fuse_cmdline_opts options{};
    if (fuse_parse_cmdline(&args, &options) != 0 || !options.mountpoint) return 2;
    fuse_operations answers = operations();
    failOnCommand(answers);
    fuse* fs = fuse_new(&args, &answers, sizeof answers, nullptr);
    if (!fs || fuse_mount(fs, options.mountpoint) != 0) return 1;
    fuse_set_signal_handlers(fuse_get_session(fs));
    // libfuse 3.14's fuse_main leaves max_threads out, so the loop is set up here.
    fuse_loop_config* loop = fuse_loop_cfg_create();
    fuse_loop_cfg_set_max_threads(loop, options.max_threads);
    const int status = fuse_loop_mt(fs, loop);
    fuse_loop_cfg_destroy(loop);
    fuse_remove_signal_handlers(fuse_get_session(fs));
    fuse_unmount(fs);
    fuse_destroy(fs);
    std::free(options.mountpoint);
    fuse_opt_free_args(&args);
    return status == 0 ? 0 : 1;
}
