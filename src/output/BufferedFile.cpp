#include "output/BufferedFile.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr size_t bufferSize = 1 << 16;
}

BufferedFile::BufferedFile(std::unique_ptr<File> file, std::string path, uint64_t size)
    : file_(std::move(file)), path_(std::move(path)), size_(size) {
    buffer_.reserve(bufferSize);
}

BufferedFile::~BufferedFile() {
    if (file_) close();
}

bool BufferedFile::note(const IoStatus& status) {
    if (!status.ok() && failure_.ok()) failure_ = status;
    return status.ok();
}

uint64_t BufferedFile::size() const { return std::max(size_, bufferStart_ + buffer_.size()); }

size_t BufferedFile::read(void* into, size_t size) {
    if (!flush()) return 0;
    size_t got = 0;
    if (!note(file_->ReadAt(position_, into, size, got))) return 0;
    position_ += got;
    return got;
}

size_t BufferedFile::write(const void* data, size_t size) {
    if (!failure_.ok()) return 0;
    // A write within the buffered run or right after it joins it (shapelib writes a record,
    // then an end mark that the next record overwrites); any other starts a new run.
    const uint64_t end = bufferStart_ + buffer_.size();
    if (position_ < bufferStart_ || position_ > end || position_ + size > bufferStart_ + bufferSize) {
        if (!flush()) return 0;
        bufferStart_ = position_;
    }
    if (size > bufferSize) {
        if (!note(file_->WriteAt(position_, data, size))) return 0;
        size_ = std::max(size_, position_ + size);
        bufferStart_ = position_ += size;
        return size;
    }
    const size_t at = static_cast<size_t>(position_ - bufferStart_);
    if (at + size > buffer_.size()) buffer_.resize(at + size);
    std::memcpy(buffer_.data() + at, data, size);
    position_ += size;
    return size;
}

bool BufferedFile::flush() {
    if (buffer_.empty()) return failure_.ok();
    const IoStatus status = failure_.ok() ? file_->WriteAt(bufferStart_, buffer_.data(), buffer_.size()) : failure_;
    if (status.ok()) size_ = std::max(size_, bufferStart_ + buffer_.size());
    bufferStart_ += buffer_.size();
    buffer_.clear();
    return note(status);
}

bool BufferedFile::close() {
    if (!file_) return failure_.ok();
    flush();
    note(file_->Close());
    file_.reset();
    return failure_.ok();
}
