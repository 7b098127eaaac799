#include "output/FileCopy.h"

#include <vector>

#include "tables/RuntimeError.h"

FilePrint copyFile(Platform& platform, const std::string& source, const std::string& destination) {
    std::unique_ptr<File> in, out;
    IoStatus status = platform.Open(source, OpenMode::read, in);
    if (!status.ok()) throw fileError(status, source);
    status = platform.Open(destination, OpenMode::createNew, out);
    if (status.error == IoError::notFound) status.error = IoError::pathNotFound;  // its folder is missing
    if (!status.ok()) throw fileError(status, destination);

    std::vector<char> buffer(1 << 16);
    FilePrint print;
    for (;;) {
        size_t got = 0;
        status = in->ReadAt(print.size, buffer.data(), buffer.size(), got);
        if (!status.ok()) throw fileError(status, source);
        if (got == 0) break;
        status = out->WriteAt(print.size, buffer.data(), got);
        if (!status.ok()) throw fileError(status, destination);
        print.add(buffer.data(), got);
    }
    status = out->Sync();
    if (status.ok()) status = out->Close();
    if (!status.ok()) throw fileError(status, destination);
    return print;
}
