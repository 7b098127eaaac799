// Arbitrary file bytes through the tag reader: it must answer with texts or an error
// text, never crash, hang or leak.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "intake/ExifTagReader.h"
#include "intake/TagNames.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const int fd = memfd_create("photo", 0);
    static const std::string path = "/proc/self/fd/" + std::to_string(fd);
    if (ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) return 0;

    static const std::unique_ptr<Platform> platform = systemPlatform();
    ExifTagReader reader(*platform);
    reader.OpenPhoto(path);
    if (!reader.ErrorText().empty()) return 0;
    for (const TagColumn& tag : tagColumns) {
        const std::string text = reader.TagText(tag.name);
        for (char c : text)
            if (c < 0x20 || c > 0x7E) __builtin_trap();  // texts go into the attribute table as they are
    }
    return 0;
}
