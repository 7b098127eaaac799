#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/Platform.h"

// Most photos keep their EXIF in their first 64 KiB: one read covers the usual case.
constexpr size_t exifFirstRead = 64 * 1024;

enum class JpegScan { exifFound, noExif, notJpeg, empty, readFailed };

// What the search reads the file into. The caller keeps it, not the thread: MinGW runs the
// destructor of a thread_local object after the thread's storage is freed, and a reader
// thread that ends would then free memory it no longer owns.
struct JpegBuffers {
    std::unique_ptr<uint8_t[]> head{new uint8_t[exifFirstRead]};
    std::vector<uint8_t> beyond;  // an EXIF segment that reaches past the first read
};

// The payload of an EXIF segment (from "Exif\0\0" on). It points into the buffers the
// search was given.
struct ExifSegment {
    const uint8_t* data = nullptr;
    size_t size = 0;
};

// Walks the JPEG segments of an open file up to the start of the scan and finds the first
// APP1 segment that begins with "Exif\0\0". Segments are skipped by seeking, so EXIF behind
// large APP segments is still found. A read error is kept in `status`.
JpegScan findExifSegment(File& file, JpegBuffers& buffers, ExifSegment& segment, IoStatus& status);
