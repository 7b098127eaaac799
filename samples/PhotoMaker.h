#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <libexif/exif-format.h>

// Test photos made from scratch: a real JPEG with an EXIF segment holding exactly the
// GPS and date tags asked for, odd ones included.
namespace photo {

using Rational = std::pair<int64_t, int64_t>;  // numerator, denominator (stored as the tag's format)

struct Triple {
    std::vector<Rational> values;
    ExifFormat format = EXIF_FORMAT_RATIONAL;
};

struct Recipe {
    std::optional<Triple> latitude, longitude, gpsTime;
    std::string latitudeRef, longitudeRef;  // empty: no tag
    std::string dateTime, gpsDate;          // empty: no tag
    bool bigEndian = false;
    bool withExif = true;
    size_t appBytesBeforeExif = 0;   // other APP segments in front of the EXIF one
    size_t thumbnailBytes = 0;       // a JPEG thumbnail of about this size in the EXIF segment
    bool cameraTags = false;         // the many other tags a camera writes, maker note included
    const std::vector<uint8_t>* image = nullptr;  // a JPEG to put the EXIF into (default: a tiny one)
};

// Degrees, minutes and seconds (seconds kept to 1/1000) of a decimal value.
Triple dms(double degrees);
Triple triple(std::vector<Rational> values, ExifFormat format = EXIF_FORMAT_RATIONAL);

// A JPEG of width × height pixels of noise at the given quality.
std::vector<uint8_t> jpeg(int width, int height, int quality = 90);

std::vector<uint8_t> make(const Recipe& recipe);
void write(const std::string& path, const Recipe& recipe);
void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace photo
