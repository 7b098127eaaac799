#include <fcntl.h>
#include <unistd.h>

#include "intake/JpegExifSegment.h"
#include "intake/ReadAhead.h"

void KernelReadAhead::Hint(const std::string& path) noexcept {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return;
    posix_fadvise(fd, 0, static_cast<off_t>(exifFirstRead), POSIX_FADV_WILLNEED);
    close(fd);
}
