#include "intake/ExifTagReader.h"

#include <libexif/exif-data.h>

#include <cctype>
#include <cstring>

#include "intake/DecimalText.h"
#include "intake/JpegExifSegment.h"
#include "intake/TagNames.h"

void ExifTagReader::ExifDataDeleter::operator()(ExifData* data) const { exif_data_unref(data); }

ExifTagReader::ExifTagReader(Platform& platform) : platform_(platform) {}
ExifTagReader::~ExifTagReader() = default;

namespace {
std::string openError(const IoStatus& status) {
    switch (status.error) {
    case IoError::notFound: return "no such file";
    case IoError::permission: return "permission denied";
    case IoError::pathNotFound: return "no such folder";
    case IoError::notAFile: return "not a regular file";
    default: return "cannot open the file (" + status.detail + ")";
    }
}

bool anyEntries(const ExifData* data) {
    for (const ExifContent* ifd : data->ifd)
        if (ifd && ifd->count > 0) return true;
    return false;
}

ExifEntry* entryIn(ExifData* data, ExifIfd ifd, int tag) {
    return data->ifd[ifd] ? exif_content_get_entry(data->ifd[ifd], static_cast<ExifTag>(tag)) : nullptr;
}

// Values of a rational tag with exactly three values; false when any is unusable.
bool threeRationals(ExifData* data, ExifEntry* e, double (&values)[3]) {
    if (!e || e->components != 3 || !e->data) return false;
    if (e->format != EXIF_FORMAT_RATIONAL && e->format != EXIF_FORMAT_SRATIONAL) return false;
    if (e->size < 3 * 8) return false;
    const ExifByteOrder order = exif_data_get_byte_order(data);
    for (int i = 0; i < 3; ++i) {
        const unsigned char* at = e->data + 8 * i;
        if (e->format == EXIF_FORMAT_RATIONAL) {
            const ExifRational r = exif_get_rational(at, order);
            if (r.denominator == 0) return false;
            values[i] = static_cast<double>(r.numerator) / r.denominator;
        } else {
            const ExifSRational r = exif_get_srational(at, order);
            if (r.denominator == 0) return false;
            values[i] = static_cast<double>(r.numerator) / r.denominator;
        }
    }
    return true;
}

// The stored ASCII up to its first NUL, trailing blanks removed; bytes that are not
// printable ASCII become '?' so that the attribute table never receives broken text.
std::string asciiText(ExifEntry* e) {
    if (!e || e->format != EXIF_FORMAT_ASCII || !e->data) return "";
    std::string text;
    for (unsigned i = 0; i < e->size && e->data[i] != 0; ++i) {
        const unsigned char c = e->data[i];
        text += (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '?';
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

// "D Degrees M Minutes S Seconds R". Empty when the photo holds no usable position:
// a wrong shape, a zero denominator, a negative figure, minutes or seconds past 60, or a
// place beyond the poles or the date line must never become a point somewhere made up.
std::string coordinateText(ExifData* data, int valueTag, int refTag, double limit) {
    double dms[3];
    if (!threeRationals(data, entryIn(data, EXIF_IFD_GPS, valueTag), dms)) return "";
    if (dms[0] < 0 || dms[1] < 0 || dms[2] < 0 || dms[1] > 60 || dms[2] > 60) return "";
    if (dms[0] + dms[1] / 60 + dms[2] / 3600 > limit) return "";
    std::string text = shortestDecimal(dms[0]) + " Degrees " + shortestDecimal(dms[1]) + " Minutes " +
                       shortestDecimal(dms[2]) + " Seconds";
    // Some writers pad the letter with blanks; the hemisphere is the letter all the same.
    const std::string ref = asciiText(entryIn(data, EXIF_IFD_GPS, refTag));
    const auto first = ref.find_first_not_of(' ');
    if (first != std::string::npos) {
        const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(ref[first])));
        if (std::strchr("NSEW", letter)) text += std::string(" ") + letter;
    }
    return text;
}

std::string twoDigits(double value) {
    const std::string text = shortestDecimal(value);
    return value >= 0 && value < 10 ? "0" + text : text;
}

std::string timeText(ExifData* data) {
    double hms[3];
    if (!threeRationals(data, entryIn(data, EXIF_IFD_GPS, EXIF_TAG_GPS_TIME_STAMP), hms)) return "";
    return twoDigits(hms[0]) + ":" + twoDigits(hms[1]) + ":" + twoDigits(hms[2]);
}
}  // namespace

void ExifTagReader::OpenPhoto(const std::string& path) {
    data_.reset();
    errorKind_ = IoError::none;
    const std::string problem = load(path);
    // The message tells which photo it is about.
    error_ = problem.empty() ? "" : path + ": " + problem;
}

std::string ExifTagReader::load(const std::string& path) {
    std::unique_ptr<File> file;
    const IoStatus opened = platform_.Open(path, OpenMode::read, file);
    if (!opened.ok()) {
        errorKind_ = opened.error;
        return openError(opened);
    }

    JpegBuffers buffers;
    ExifSegment payload;
    IoStatus read;
    switch (findExifSegment(*file, buffers, payload, read)) {
    case JpegScan::empty: return "file is empty";
    case JpegScan::notJpeg: return "not a JPEG file";
    case JpegScan::readFailed: errorKind_ = read.error; return "cannot read the file (" + read.detail + ")";
    case JpegScan::noExif: return "";  // a JPEG without EXIF: every tag is simply empty
    case JpegScan::exifFound: break;
    }

    std::unique_ptr<ExifData, ExifDataDeleter> data(exif_data_new());
    if (!data) throw std::bad_alloc();
    // Keep what the photo holds: no made-up mandatory tags, no repairs.
    exif_data_unset_option(data.get(), EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
    exif_data_load_data(data.get(), payload.data, static_cast<unsigned>(payload.size));
    if (!anyEntries(data.get())) return "EXIF data is corrupt";
    data_ = std::move(data);
    return "";
}

std::string ExifTagReader::TagText(const std::string& tagName) {
    ExifData* data = data_.get();
    if (!data) return "";
    if (tagName == tagLatitude) return coordinateText(data, EXIF_TAG_GPS_LATITUDE, EXIF_TAG_GPS_LATITUDE_REF, 90);
    if (tagName == tagLongitude)
        return coordinateText(data, EXIF_TAG_GPS_LONGITUDE, EXIF_TAG_GPS_LONGITUDE_REF, 180);
    if (tagName == tagDateTime) return asciiText(entryIn(data, EXIF_IFD_0, EXIF_TAG_DATE_TIME));
    if (tagName == tagGpsDate) return asciiText(entryIn(data, EXIF_IFD_GPS, EXIF_TAG_GPS_DATE_STAMP));
    if (tagName == tagGpsTime) return timeText(data);
    return "";
}

TagReaderFactory exifTagReaderFactory(Platform& platform) {
    return [&platform] { return std::make_unique<ExifTagReader>(platform); };
}
