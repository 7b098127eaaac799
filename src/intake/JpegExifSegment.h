#pragma once
#include <cstdint>
#include <vector>

enum class JpegScan { exifFound, noExif, notJpeg, empty, readFailed };

// Walks the JPEG segments of an open file up to the start of the scan and copies the
// payload of the first APP1 segment that begins with "Exif\0\0" into `payload`.
// Segments are skipped by seeking, so EXIF behind large APP segments is still found.
JpegScan findExifSegment(int fd, std::vector<uint8_t>& payload);
