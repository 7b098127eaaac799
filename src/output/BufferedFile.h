#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Platform.h"

// A file as a C library stream presents it: a position of its own, reads and writes there,
// and writes gathered in a buffer so that many small records cost few system calls. The
// first failure is kept with the file's name; after it, nothing more is written.
class BufferedFile {
public:
    BufferedFile(std::unique_ptr<File> file, std::string path, uint64_t size);
    ~BufferedFile();
    BufferedFile(const BufferedFile&) = delete;
    BufferedFile& operator=(const BufferedFile&) = delete;

    size_t read(void* into, size_t size);
    size_t write(const void* data, size_t size);
    // Moves the position; beyond the end of the file is allowed, as with a stream.
    void seek(uint64_t position) { position_ = position; }
    uint64_t position() const { return position_; }
    uint64_t size() const;
    bool flush();
    // Writes what is buffered and closes.
    bool close();

    // The first failure, or ok.
    const IoStatus& failure() const { return failure_; }
    const std::string& path() const { return path_; }

private:
    bool note(const IoStatus& status);

    std::unique_ptr<File> file_;
    std::string path_;
    uint64_t size_;
    uint64_t position_ = 0;
    std::vector<char> buffer_;
    uint64_t bufferStart_ = 0;  // the file offset of buffer_[0]
    IoStatus failure_;
};
