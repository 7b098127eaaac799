#include <fcntl.h>
#include <sys/uio.h>
#include <unistd.h>

#include "intake/JpegExifSegment.h"
#include "intake/ReadAhead.h"

namespace {
int openPhoto(const std::string& path) { return open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK); }

// Whether the photo's first byte is in memory: a read that would have to wait for the
// storage fails at once instead (and so does one where the file system cannot tell).
bool inMemory(int fd) {
    char byte;
    iovec into{&byte, 1};
    return preadv2(fd, &into, 1, 0, RWF_NOWAIT) == 1;
}
}  // namespace

void KernelReadAhead::Hint(const std::vector<std::string>& paths) noexcept {
    for (size_t i = 0; i < paths.size(); ++i) {
        const int fd = openPhoto(paths[i]);
        if (fd < 0) continue;
        const bool skipBurst = i == 0 && inMemory(fd);
        if (!skipBurst) posix_fadvise(fd, 0, static_cast<off_t>(exifFirstRead), POSIX_FADV_WILLNEED);
        close(fd);
        if (skipBurst) return;
    }
}
