#include "intake/JpegExifSegment.h"

#include <cstring>

namespace {
// Bytes read at `offset`, or -1 on a read error (kept in `status`).
long long readAt(File& file, uint8_t* into, size_t size, uint64_t offset, IoStatus& status) {
    size_t got = 0;
    status = file.ReadAt(offset, into, size, got);
    return status.ok() ? static_cast<long long>(got) : -1;
}

// The file's bytes, read in one piece up front and on demand beyond it.
class Bytes {
public:
    Bytes(File& file, JpegBuffers& buffers, IoStatus& status) : file_(file), buffers_(buffers), status_(status) {}

    bool load() {
        const long long n = readAt(file_, buffers_.head.get(), exifFirstRead, 0, status_);
        if (n < 0) return false;
        size_ = static_cast<size_t>(n);
        return true;
    }
    size_t headSize() const { return size_; }
    const uint8_t* head() const { return buffers_.head.get(); }

    // Copies up to `size` bytes at `offset`; returns how many there were (-1 on a read error).
    long long copy(uint64_t offset, uint8_t* into, size_t size) const {
        if (offset + size <= size_) {
            std::memcpy(into, head() + offset, size);
            return static_cast<long long>(size);
        }
        return readAt(file_, into, size, offset, status_);
    }

    // Up to `size` bytes at `offset`, in place when the first read holds them.
    bool view(uint64_t offset, size_t size, ExifSegment& segment) const {
        if (offset + size <= size_) {
            segment = {head() + offset, size};
            return true;
        }
        buffers_.beyond.resize(size);
        const long long n = readAt(file_, buffers_.beyond.data(), size, offset, status_);
        if (n < 0) return false;
        segment = {buffers_.beyond.data(), static_cast<size_t>(n)};  // a segment cut short by the file's end
        return true;
    }

private:
    File& file_;
    JpegBuffers& buffers_;
    IoStatus& status_;
    size_t size_ = 0;
};

bool standalone(uint8_t marker) { return marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8); }
}  // namespace

JpegScan findExifSegment(File& file, JpegBuffers& buffers, ExifSegment& segment, IoStatus& status) {
    segment = {};
    status = {};
    Bytes bytes(file, buffers, status);
    if (!bytes.load()) return JpegScan::readFailed;
    if (bytes.headSize() == 0) return JpegScan::empty;
    if (bytes.headSize() < 2 || bytes.head()[0] != 0xFF || bytes.head()[1] != 0xD8) return JpegScan::notJpeg;

    uint64_t pos = 2;
    int fillBytes = 0;
    for (;;) {
        uint8_t header[10];
        const long long got = bytes.copy(pos, header, sizeof header);
        if (got < 0) return JpegScan::readFailed;
        if (got < 2 || header[0] != 0xFF) return JpegScan::noExif;
        if (header[1] == 0xFF) {  // fill bytes before a marker; a long run is no JPEG structure
            if (++fillBytes > 64) return JpegScan::noExif;
            pos += 1;
            continue;
        }
        fillBytes = 0;
        const uint8_t marker = header[1];
        if (standalone(marker)) {
            pos += 2;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9 || got < 4) return JpegScan::noExif;
        const unsigned length = (unsigned{header[2]} << 8) | header[3];
        if (length < 2) return JpegScan::noExif;
        if (marker == 0xE1 && length >= 8 && got >= 10 && std::memcmp(header + 4, "Exif\0\0", 6) == 0) {
            return bytes.view(pos + 4, length - 2, segment) ? JpegScan::exifFound : JpegScan::readFailed;
        }
        pos += 2 + length;
    }
}
