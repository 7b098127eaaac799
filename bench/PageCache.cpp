#include "PageCache.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <limits>
#include <thread>

namespace {
// Enough for the other users of a shared machine, far below a corpus's write-back.
constexpr long settledKiB = 16 * 1024;
constexpr std::chrono::seconds patience{30};

long leftToWriteKiB() {
    std::ifstream info("/proc/meminfo");
    std::string key;
    long kib = 0, left = 0;
    while (info >> key >> kib) {
        if (key == "Dirty:" || key == "Writeback:") left += kib;
        info.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
    }
    return left;
}
}  // namespace

long settleWriteBack() {
    const auto giveUp = std::chrono::steady_clock::now() + patience;
    sync();
    long left = leftToWriteKiB();
    for (int turn = 1; left > settledKiB && std::chrono::steady_clock::now() < giveUp; ++turn) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (turn % 10 == 0) sync();  // what others wrote meanwhile
        left = leftToWriteKiB();
    }
    return left;
}

double dropFromCache(const std::string& folder, const std::vector<std::string>& names) {
    for (const std::string& name : names) {
        const int fd = open((folder + "/" + name).c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) continue;
        posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
        close(fd);
    }
    const long page = sysconf(_SC_PAGESIZE);
    size_t pages = 0, cached = 0;
    for (const std::string& name : names) {
        const int fd = open((folder + "/" + name).c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) continue;
        const off_t size = lseek(fd, 0, SEEK_END);
        void* map = size > 0 ? mmap(nullptr, static_cast<size_t>(size), PROT_READ, MAP_SHARED, fd, 0) : MAP_FAILED;
        close(fd);
        if (map == MAP_FAILED) continue;
        std::vector<unsigned char> resident((static_cast<size_t>(size) + page - 1) / page);
        if (mincore(map, static_cast<size_t>(size), resident.data()) == 0) {
            pages += resident.size();
            for (unsigned char r : resident) cached += r & 1;
        }
        munmap(map, static_cast<size_t>(size));
    }
    return pages > 0 ? 100.0 * cached / pages : 0;
}
