#pragma once
#include <cstdint>
#include <string>

#include "platform/Platform.h"

// A file as a C library stream presents it: a position of its own, reads and writes there,
// and writes gathered in runs so that many small records cost few system calls. The whole
// file is kept in `image`: it is read from there, and known to the byte without asking the
// storage again. The first failure is kept with the file's name; after it, nothing more is
// written. The file and its image belong to the caller, and outlive the stream.
class BufferedFile {
public:
    BufferedFile(File& file, std::string path, std::string& image)
        : file_(file), path_(std::move(path)), image_(image) {}
    ~BufferedFile() { flush(); }
    BufferedFile(const BufferedFile&) = delete;
    BufferedFile& operator=(const BufferedFile&) = delete;

    size_t read(void* into, size_t size);
    size_t write(const void* data, size_t size);
    // Moves the position; beyond the end of the file is allowed, as with a stream.
    void seek(uint64_t position) { position_ = position; }
    uint64_t position() const { return position_; }
    uint64_t size() const { return image_.size(); }
    // Writes what is gathered.
    bool flush();

    // The first failure, or ok.
    const IoStatus& failure() const { return failure_; }
    const std::string& path() const { return path_; }

private:
    bool note(const IoStatus& status);

    File& file_;
    std::string path_;
    std::string& image_;
    uint64_t position_ = 0;
    uint64_t runStart_ = 0, runEnd_ = 0;  // what of the image is not yet written
    IoStatus failure_;
};
