#include "PhotoMaker.h"

#include <jpeglib.h>
#include <libexif/exif-data.h>
#include <libexif/exif-utils.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <random>
#include <stdexcept>
#include <type_traits>

namespace photo {
namespace {

void putEntry(ExifData* data, ExifIfd ifd, int tag, ExifFormat format, unsigned components, const void* bytes) {
    ExifEntry* e = exif_entry_new();
    e->tag = static_cast<ExifTag>(tag);
    e->format = format;
    e->components = components;
    e->size = exif_format_get_size(format) * components;
    e->data = static_cast<unsigned char*>(std::calloc(e->size ? e->size : 1, 1));
    if (bytes) std::memcpy(e->data, bytes, e->size);
    exif_content_add_entry(data->ifd[ifd], e);
    exif_entry_unref(e);
}

void putAscii(ExifData* data, ExifIfd ifd, int tag, const std::string& text) {
    if (text.empty()) return;
    std::string stored = text;
    stored.push_back('\0');
    putEntry(data, ifd, tag, EXIF_FORMAT_ASCII, static_cast<unsigned>(stored.size()), stored.data());
}

void putTriple(ExifData* data, int tag, const std::optional<Triple>& value) {
    if (!value) return;
    const ExifByteOrder order = exif_data_get_byte_order(data);
    std::vector<unsigned char> bytes(8 * value->values.size());
    for (size_t i = 0; i < value->values.size(); ++i) {
        const auto [num, den] = value->values[i];
        if (value->format == EXIF_FORMAT_SRATIONAL)
            exif_set_srational(bytes.data() + 8 * i, order, {static_cast<int32_t>(num), static_cast<int32_t>(den)});
        else
            exif_set_rational(bytes.data() + 8 * i, order, {static_cast<uint32_t>(num), static_cast<uint32_t>(den)});
    }
    putEntry(data, EXIF_IFD_GPS, tag, value->format, static_cast<unsigned>(value->values.size()), bytes.data());
}

template <typename T>
void putNumber(ExifData* data, ExifIfd ifd, int tag, ExifFormat format, T value) {
    unsigned char bytes[8] = {};
    const ExifByteOrder order = exif_data_get_byte_order(data);
    if constexpr (std::is_same_v<T, ExifRational>) exif_set_rational(bytes, order, value);
    else if (format == EXIF_FORMAT_SHORT) exif_set_short(bytes, order, static_cast<ExifShort>(value));
    else exif_set_long(bytes, order, static_cast<ExifLong>(value));
    putEntry(data, ifd, tag, format, 1, bytes);
}

// What a typical camera adds besides position and time, for photos of realistic weight.
void putCameraTags(ExifData* data) {
    putAscii(data, EXIF_IFD_0, EXIF_TAG_MODEL, "PM-100 Field Camera");
    putNumber(data, EXIF_IFD_0, EXIF_TAG_ORIENTATION, EXIF_FORMAT_SHORT, 1);
    putNumber(data, EXIF_IFD_0, EXIF_TAG_X_RESOLUTION, EXIF_FORMAT_RATIONAL, ExifRational{72, 1});
    putNumber(data, EXIF_IFD_0, EXIF_TAG_Y_RESOLUTION, EXIF_FORMAT_RATIONAL, ExifRational{72, 1});
    putNumber(data, EXIF_IFD_0, EXIF_TAG_RESOLUTION_UNIT, EXIF_FORMAT_SHORT, 2);
    putAscii(data, EXIF_IFD_0, EXIF_TAG_SOFTWARE, "Firmware 1.02");
    putAscii(data, EXIF_IFD_0, EXIF_TAG_ARTIST, "Field Survey Team");
    putAscii(data, EXIF_IFD_0, EXIF_TAG_COPYRIGHT, "Public domain");
    putNumber(data, EXIF_IFD_EXIF, EXIF_TAG_EXPOSURE_TIME, EXIF_FORMAT_RATIONAL, ExifRational{1, 250});
    putNumber(data, EXIF_IFD_EXIF, EXIF_TAG_FNUMBER, EXIF_FORMAT_RATIONAL, ExifRational{56, 10});
    putNumber(data, EXIF_IFD_EXIF, EXIF_TAG_ISO_SPEED_RATINGS, EXIF_FORMAT_SHORT, 200);
    putAscii(data, EXIF_IFD_EXIF, EXIF_TAG_DATE_TIME_ORIGINAL, "2024:05:07 09:33:04");
    putAscii(data, EXIF_IFD_EXIF, EXIF_TAG_DATE_TIME_DIGITIZED, "2024:05:07 09:33:04");
    putNumber(data, EXIF_IFD_EXIF, EXIF_TAG_FOCAL_LENGTH, EXIF_FORMAT_RATIONAL, ExifRational{35, 1});
    putNumber(data, EXIF_IFD_EXIF, EXIF_TAG_PIXEL_X_DIMENSION, EXIF_FORMAT_LONG, 4000);
    putNumber(data, EXIF_IFD_EXIF, EXIF_TAG_PIXEL_Y_DIMENSION, EXIF_FORMAT_LONG, 3000);
    const std::vector<unsigned char> makerNote(6000, 0x5A);
    putEntry(data, EXIF_IFD_EXIF, EXIF_TAG_MAKER_NOTE, EXIF_FORMAT_UNDEFINED, 6000, makerNote.data());
    putNumber(data, EXIF_IFD_GPS, EXIF_TAG_GPS_ALTITUDE, EXIF_FORMAT_RATIONAL, ExifRational{1627, 10});
    putAscii(data, EXIF_IFD_GPS, EXIF_TAG_GPS_MAP_DATUM, "WGS-84");
}

std::vector<uint8_t> exifPayload(const Recipe& recipe, const std::vector<uint8_t>& thumbnail) {
    std::unique_ptr<ExifData, void (*)(ExifData*)> data(exif_data_new(), exif_data_unref);
    exif_data_unset_option(data.get(), EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
    exif_data_set_byte_order(data.get(), recipe.bigEndian ? EXIF_BYTE_ORDER_MOTOROLA : EXIF_BYTE_ORDER_INTEL);
    putAscii(data.get(), EXIF_IFD_0, EXIF_TAG_MAKE, "PhotoMaker");
    putAscii(data.get(), EXIF_IFD_0, EXIF_TAG_DATE_TIME, recipe.dateTime);
    putAscii(data.get(), EXIF_IFD_GPS, EXIF_TAG_GPS_LATITUDE_REF, recipe.latitudeRef);
    putTriple(data.get(), EXIF_TAG_GPS_LATITUDE, recipe.latitude);
    putAscii(data.get(), EXIF_IFD_GPS, EXIF_TAG_GPS_LONGITUDE_REF, recipe.longitudeRef);
    putTriple(data.get(), EXIF_TAG_GPS_LONGITUDE, recipe.longitude);
    putTriple(data.get(), EXIF_TAG_GPS_TIME_STAMP, recipe.gpsTime);
    putAscii(data.get(), EXIF_IFD_GPS, EXIF_TAG_GPS_DATE_STAMP, recipe.gpsDate);
    if (recipe.cameraTags) putCameraTags(data.get());
    if (!thumbnail.empty()) {
        data->data = static_cast<unsigned char*>(std::malloc(thumbnail.size()));
        std::memcpy(data->data, thumbnail.data(), thumbnail.size());
        data->size = static_cast<unsigned>(thumbnail.size());
    }
    unsigned char* saved = nullptr;
    unsigned int size = 0;
    exif_data_save_data(data.get(), &saved, &size);
    if (!saved) throw std::runtime_error("libexif saved nothing");
    std::vector<uint8_t> payload(saved, saved + size);
    std::free(saved);
    return payload;
}

void putSegment(std::vector<uint8_t>& out, uint8_t marker, const uint8_t* payload, size_t size) {
    if (size + 2 > 0xFFFF) throw std::runtime_error("segment too large");
    out.insert(out.end(), {0xFF, marker, static_cast<uint8_t>((size + 2) >> 8), static_cast<uint8_t>((size + 2) & 0xFF)});
    out.insert(out.end(), payload, payload + size);
}

}  // namespace

Triple triple(std::vector<Rational> values, ExifFormat format) { return Triple{std::move(values), format}; }

Triple dms(double degrees) {
    degrees = std::fabs(degrees);
    const auto d = static_cast<int64_t>(degrees);
    const double minutes = (degrees - d) * 60;
    const auto m = static_cast<int64_t>(minutes);
    const auto thousandths = static_cast<int64_t>(std::llround((minutes - m) * 60 * 1000));
    return triple({{d, 1}, {m, 1}, {thousandths, 1000}});
}

std::vector<uint8_t> jpeg(int width, int height, int quality) {
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    std::mt19937 noise(static_cast<unsigned>(width * 31 + height));
    std::vector<JSAMPLE> row(static_cast<size_t>(width) * 3);
    while (info.next_scanline < info.image_height) {
        for (auto& sample : row) sample = static_cast<JSAMPLE>(noise() & 0xFF);
        JSAMPROW rows[] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::vector<uint8_t> out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

std::vector<uint8_t> make(const Recipe& recipe) {
    static const std::vector<uint8_t> tiny = jpeg(8, 8);
    const std::vector<uint8_t>& image = recipe.image ? *recipe.image : tiny;

    std::vector<uint8_t> out = {0xFF, 0xD8};
    for (size_t left = recipe.appBytesBeforeExif, n = 0; left > 0; ++n) {
        const size_t size = std::min<size_t>(left, 60000);
        const std::vector<uint8_t> filler(size, static_cast<uint8_t>('a' + n % 26));
        putSegment(out, static_cast<uint8_t>(0xE7 + n % 3), filler.data(), size);
        left -= size;
    }
    if (recipe.withExif) {
        std::vector<uint8_t> thumbnail;
        if (recipe.thumbnailBytes > 0) {
            // Noise compresses badly, so the side grows with the square root of the size asked for.
            const int side = std::max(8, static_cast<int>(std::sqrt(static_cast<double>(recipe.thumbnailBytes) / 1.6)));
            thumbnail = jpeg(side, side, 75);
        }
        const std::vector<uint8_t> payload = exifPayload(recipe, thumbnail);
        putSegment(out, 0xE1, payload.data(), payload.size());
    }
    out.insert(out.end(), image.begin() + 2, image.end());
    return out;
}

void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!file) throw std::runtime_error("cannot write " + path);
}

void write(const std::string& path, const Recipe& recipe) { writeBytes(path, make(recipe)); }

}  // namespace photo
