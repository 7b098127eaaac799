#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/Platform.h"

// Most photos keep their EXIF in their first 64 KiB: one read covers the usual case.
constexpr size_t exifFirstRead = 64 * 1024;

enum class JpegScan { exifFound, noExif, notJpeg, empty, readFailed };

// The payload of an EXIF segment (from "Exif\0\0" on). It points into buffers of the
// calling thread that the next search reuses.
struct ExifSegment {
    const uint8_t* data = nullptr;
    size_t size = 0;
};

// Walks the JPEG segments of an open file up to the start of the scan and finds the first
// APP1 segment that begins with "Exif\0\0". Segments are skipped by seeking, so EXIF behind
// large APP segments is still found. A read error is kept in `status`.
JpegScan findExifSegment(File& file, ExifSegment& segment, IoStatus& status);
