#include "output/FileCopy.h"

#include <vector>

#include "tables/RuntimeError.h"

void copyFile(Platform& platform, const std::string& source, const std::string& destination) {
    std::unique_ptr<File> in, out;
    IoStatus status = platform.Open(source, OpenMode::read, in);
    if (!status.ok()) throw fileError(status, source);
    status = platform.Open(destination, OpenMode::create, out);
    if (status.error == IoError::notFound) status.error = IoError::pathNotFound;  // its folder is missing
    if (!status.ok()) throw fileError(status, destination);

    std::vector<char> buffer(1 << 16);
    for (uint64_t offset = 0;;) {
        size_t got = 0;
        status = in->ReadAt(offset, buffer.data(), buffer.size(), got);
        if (!status.ok()) throw fileError(status, source);
        if (got == 0) break;
        status = out->WriteAt(offset, buffer.data(), got);
        if (!status.ok()) throw fileError(status, destination);
        offset += got;
    }
    status = out->Close();
    if (!status.ok()) throw fileError(status, destination);
}
