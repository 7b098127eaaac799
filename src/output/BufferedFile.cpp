#include "output/BufferedFile.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr uint64_t runSize = 1 << 16;
}

bool BufferedFile::note(const IoStatus& status) {
    if (!status.ok() && failure_.ok()) failure_ = status;
    return status.ok();
}

size_t BufferedFile::read(void* into, size_t size) {
    if (!failure_.ok() || position_ >= image_.size()) return 0;
    const size_t got = static_cast<size_t>(std::min<uint64_t>(size, image_.size() - position_));
    std::memcpy(into, image_.data() + position_, got);
    position_ += got;
    return got;
}

size_t BufferedFile::write(const void* data, size_t size) {
    if (!failure_.ok()) return 0;
    // A write within the run or right after it joins it (shapelib writes a record, then an
    // end mark that the next record overwrites); any other starts a new run.
    const uint64_t end = position_ + size;
    if (runEnd_ > runStart_ && (position_ < runStart_ || position_ > runEnd_ || end - runStart_ > runSize)) {
        if (!flush()) return 0;
    }
    if (runEnd_ == runStart_) runStart_ = runEnd_ = position_;
    if (end > image_.size()) image_.resize(static_cast<size_t>(end));  // a gap reads as zeros, as in a file
    std::memcpy(image_.data() + position_, data, size);
    runEnd_ = std::max(runEnd_, end);
    position_ = end;
    return size;
}

bool BufferedFile::flush() {
    if (runEnd_ == runStart_) return failure_.ok();
    const IoStatus status =
        failure_.ok() ? file_.WriteAt(runStart_, image_.data() + runStart_, runEnd_ - runStart_) : failure_;
    runStart_ = runEnd_;
    return note(status);
}
