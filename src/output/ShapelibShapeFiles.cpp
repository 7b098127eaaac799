#include "output/ShapelibShapeFiles.h"

#include <stdio_ext.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "output/ShapefileName.h"
#include "tables/RuntimeError.h"

namespace {
// shapelib ignores failed writes and prints its complaints to stderr. These hooks keep the
// first I/O failure of a writing, and the file it happened on, in the control's own record.

// A stream that knows its own position: shapelib 1.5 seeks before every record, and a seek
// to where the stream already is would otherwise flush its buffer, one write per record.
struct TrackedFile {
    FILE* file;
    uint64_t position;
    IoFailure& failure;
    std::string path;

    void noteFailure() { failure.note(errno != 0 ? errno : EIO, path); }
};

TrackedFile* tracked(SAFile file) { return reinterpret_cast<TrackedFile*>(file); }

SAFile openTracked(const char* name, const char* access, IoFailure& failure) {
    errno = 0;
    FILE* file = std::fopen(name, access);
    if (!file) {
        failure.note(errno != 0 ? errno : EIO, name);
        return nullptr;
    }
    std::setvbuf(file, nullptr, _IOFBF, 1 << 16);
    return reinterpret_cast<SAFile>(new TrackedFile{file, 0, failure, name});
}

#ifdef SHAPELIB_VERSION_NUMBER  // 1.6 on: the hooks carry a pointer of ours, and written data is const
using WrittenData = const void*;
SAFile hookOpen(const char* name, const char* access, void* failure) {
    return openTracked(name, access, *static_cast<IoFailure*>(failure));
}
#else
using WrittenData = void*;
// The record of the control whose files shapelib opens at this moment; set only for the
// length of one call, since 1.5 hands its hooks nothing of ours.
thread_local IoFailure* opening = nullptr;
SAFile hookOpen(const char* name, const char* access) { return openTracked(name, access, *opening); }
#endif

SAOffset hookRead(void* p, SAOffset size, SAOffset count, SAFile file) {
    TrackedFile* f = tracked(file);
    const SAOffset read = std::fread(p, size, count, f->file);
    f->position += read * size;
    if (read < count) {  // a partial item may have been consumed: ask the stream
        std::clearerr(f->file);
        f->position = static_cast<uint64_t>(std::ftell(f->file));
    }
    return read;
}
SAOffset hookWrite(WrittenData p, SAOffset size, SAOffset count, SAFile file) {
    TrackedFile* f = tracked(file);
    errno = 0;
    const SAOffset written = std::fwrite(p, size, count, f->file);
    f->position += written * size;
    if (written < count) f->noteFailure();
    return written;
}
SAOffset hookSeek(SAFile file, SAOffset offset, int whence) {
    TrackedFile* f = tracked(file);
    if (whence == SEEK_SET && offset == f->position) return 0;
    errno = 0;
    if (std::fseek(f->file, static_cast<long>(offset), whence) != 0) {  // also where buffered writes fail
        f->noteFailure();
        return static_cast<SAOffset>(-1);
    }
    f->position = static_cast<uint64_t>(std::ftell(f->file));
    return 0;
}
SAOffset hookTell(SAFile file) { return tracked(file)->position; }
int hookFlush(SAFile file) {
    errno = 0;
    const int result = std::fflush(tracked(file)->file);
    if (result != 0) tracked(file)->noteFailure();
    return result;
}
int hookClose(SAFile file) {
    TrackedFile* f = tracked(file);
    errno = 0;
    const int result = std::fclose(f->file);
    if (result != 0) f->noteFailure();
    delete f;
    return result;
}
// Every failure shapelib can meet is told by a hook above or by its return value.
void hookError(const char*) {}

// After a failed write (a full disk): forgets what the stream could not write and tells
// how many bytes the file really holds.
uint64_t settleAfterFailure(SAFile file) {
    TrackedFile* f = tracked(file);
    std::fflush(f->file);
    __fpurge(f->file);
    f->position = UINT64_MAX;  // unknown: the next seek goes to the file
    struct stat info;
    return fstat(fileno(f->file), &info) == 0 ? static_cast<uint64_t>(info.st_size) : 0;
}

constexpr int widestText = 254;  // the dBASE limit for a character field

// Length of the well-formed UTF-8 character at `at`, 0 when the bytes there are none.
size_t characterLength(const std::string& text, size_t at) {
    const auto byte = [&](size_t i) -> unsigned { return i < text.size() ? static_cast<unsigned char>(text[i]) : 0; };
    const unsigned lead = byte(at);
    if (lead < 0x80) return 1;
    // The length a lead byte announces, and the range its second byte must lie in (no
    // overlong forms, no surrogates, nothing past U+10FFFF).
    struct Lead {
        unsigned first, last;
        size_t length;
        unsigned low, high;
    } static const leads[] = {{0xC2, 0xDF, 2, 0x80, 0xBF}, {0xE0, 0xE0, 3, 0xA0, 0xBF}, {0xE1, 0xEC, 3, 0x80, 0xBF},
                              {0xED, 0xED, 3, 0x80, 0x9F}, {0xEE, 0xEF, 3, 0x80, 0xBF}, {0xF0, 0xF0, 4, 0x90, 0xBF},
                              {0xF1, 0xF3, 4, 0x80, 0xBF}, {0xF4, 0xF4, 4, 0x80, 0x8F}};
    for (const Lead& l : leads) {
        if (lead < l.first || lead > l.last) continue;
        if (byte(at + 1) < l.low || byte(at + 1) > l.high) return 0;
        for (size_t i = 2; i < l.length; ++i)
            if ((byte(at + i) & 0xC0) != 0x80) return 0;
        return l.length;
    }
    return 0;
}

// The table is declared UTF-8, so it gets nothing else: a byte that is no part of a
// character (a file name in Latin-1, say) becomes U+FFFD, and a text is cut to the widest
// field between two characters.
std::string fitted(const std::string& text) {
    std::string out;
    for (size_t at = 0; at < text.size();) {
        const size_t length = characterLength(text, at);
        const std::string character = length > 0 ? text.substr(at, length) : "\xEF\xBF\xBD";
        if (out.size() + character.size() > widestText) break;
        out += character;
        at += length > 0 ? length : 1;
    }
    return out;
}
}  // namespace

ShapelibShapeFiles::~ShapelibShapeFiles() {
    try {
        Complete();
    } catch (...) {
        // Nothing can report it any more; the files hold what could be written.
    }
}

void ShapelibShapeFiles::CreateShapefile(std::string& path, int32_t shapeType, int32_t) {
    Complete();
    if (shapeType != shapePoint) throw RuntimeError(errInvalidCall, "Only point shapefiles can be written");

    // The files and the projection beside them share one base name: give the path its ending.
    base_ = shapefileBase(path);
    path = base_ + ".shp";

    failure_ = IoFailure{};
    fields_.clear();
    widths_.clear();
    values_.clear();
    points_.clear();
    fieldsFinished_ = false;
    minX_ = minY_ = std::numeric_limits<double>::infinity();
    maxX_ = maxY_ = -minX_;

    SAHooks hooks;
    SASetupDefaultHooks(&hooks);
    hooks.FOpen = hookOpen;
    hooks.FRead = hookRead;
    hooks.FWrite = hookWrite;
    hooks.FSeek = hookSeek;
    hooks.FTell = hookTell;
    hooks.FFlush = hookFlush;
    hooks.FClose = hookClose;
    hooks.Error = hookError;
#ifdef SHAPELIB_VERSION_NUMBER
    hooks.pvUserData = &failure_;
#else
    opening = &failure_;
    struct Opened {
        ~Opened() { opening = nullptr; }
    } opened;
#endif
    shp_ = SHPCreateLL(path.c_str(), SHPT_POINT, &hooks);
    if (!shp_) {
        const int err = failure_.error == ENOENT ? ENOTDIR : failure_.error;  // a missing folder, not a missing file
        throw fileError(err, failure_.path.empty() ? path : failure_.path);
    }
    dbf_ = DBFCreateLL((base_ + ".dbf").c_str(), "UTF-8", &hooks);
    if (!dbf_) {
        const IoFailure failure = failure_;
        Complete();
        throw fileError(failure.error, failure.path.empty() ? base_ + ".dbf" : failure.path);
    }
    // A spatial index of an earlier shapefile of this name would describe the wrong points.
    for (const char* ending : {".qix", ".sbn", ".sbx"}) std::remove((base_ + ending).c_str());
}

void ShapelibShapeFiles::requireOpen() const {
    if (!shp_ || !dbf_) throw RuntimeError(errInvalidCall, "No shapefile is being written");
}

ShapeField& ShapelibShapeFiles::AddField(const std::string& name, int type, std::optional<int16_t> width) {
    requireOpen();
    if (fieldsFinished_) throw RuntimeError(errInvalidCall, "The fields are already finished");
    int index = -1;
    int size = 0;
    if (type == fieldWholeNumber) {
        size = 9;  // narrow enough for readers to take it as an integer column
        index = DBFAddField(dbf_, name.c_str(), FTInteger, size, 0);
    } else if (type == fieldText) {
        size = width.value_or(widestText);
        if (size < 1 || size > widestText) throw RuntimeError(errInvalidCall, "A text field is 1 to 254 wide");
        index = DBFAddField(dbf_, name.c_str(), FTString, size, 0);
    } else {
        throw RuntimeError(errInvalidCall, "Unknown field type " + std::to_string(type));
    }
    if (index < 0) throw RuntimeError(errInvalidCall, "Cannot add the field " + name);
    fields_.emplace_back(*this, name, index);
    widths_.push_back(size);
    return fields_.back();
}

ShapeField& ShapelibShapeFiles::GetField(const std::string& name) {
    for (Field& field : fields_)
        if (field.name() == name) return field;
    throw RuntimeError(errInvalidCall, "No field named " + name);
}

void ShapelibShapeFiles::FinishFields() {
    requireOpen();
    fieldsFinished_ = true;
    values_.assign(fields_.size(), Value{});
}

void ShapelibShapeFiles::setValue(int field, Value value) {
    requireOpen();
    if (!fieldsFinished_) throw RuntimeError(errInvalidCall, "The fields are not finished");
    values_[static_cast<size_t>(field)] = std::move(value);
}

void ShapelibShapeFiles::AddPoint(double x, double y) {
    requireOpen();
    points_.emplace_back(x, y);
}

void ShapelibShapeFiles::throwIfFailed() const {
    if (failure_.error != 0) throw fileError(failure_.error, failure_.path);
}

void ShapelibShapeFiles::writeText(int record, int field, const std::string& text) {
    const std::string value = fitted(text);
    const int length = static_cast<int>(value.size());
    if (length > widths_[static_cast<size_t>(field)]) {
        const Field& f = fields_[static_cast<size_t>(field)];
        if (!DBFAlterFieldDefn(dbf_, field, f.name().c_str(), 'C', length, 0)) {
            throwIfFailed();
            throw RuntimeError(errFileAccess, "Cannot widen the field " + f.name() + " of " + base_ + ".dbf");
        }
        widths_[static_cast<size_t>(field)] = length;
    }
    DBFWriteStringAttribute(dbf_, record, field, value.c_str());
}

void ShapelibShapeFiles::WriteRecord() {
    requireOpen();
    if (!fieldsFinished_) throw RuntimeError(errInvalidCall, "The fields are not finished");
    if (points_.size() != 1) throw RuntimeError(errInvalidCall, "A point record takes exactly one point");

    double x = points_[0].first, y = points_[0].second;
    SHPObject* shape = SHPCreateSimpleObject(SHPT_POINT, 1, &x, &y, nullptr);
    if (!shape) throw RuntimeError(errOutOfMemory);
    const int record = SHPWriteObject(shp_, -1, shape);
    SHPDestroyObject(shape);
    if (record < 0) {
        throwIfFailed();
        throw RuntimeError(errFileAccess, "Cannot write a point to " + base_ + ".shp");
    }
    minX_ = std::min(minX_, x);
    maxX_ = std::max(maxX_, x);
    minY_ = std::min(minY_, y);
    maxY_ = std::max(maxY_, y);

    for (int field = 0; field < static_cast<int>(values_.size()); ++field) {
        const Value& value = values_[static_cast<size_t>(field)];
        if (const auto* number = std::get_if<int16_t>(&value)) DBFWriteIntegerAttribute(dbf_, record, field, *number);
        else if (const auto* text = std::get_if<std::string>(&value)) writeText(record, field, *text);
        else DBFWriteNULLAttribute(dbf_, record, field);
    }
    throwIfFailed();
}

void ShapelibShapeFiles::EndRecord() {
    requireOpen();
    values_.assign(fields_.size(), Value{});
    points_.clear();
}

int wholeShapeRecords(const unsigned* offsets, const unsigned* sizes, int records, uint64_t fileSize) {
    int whole = 0;
    while (whole < records && uint64_t{offsets[whole]} + recordHeader + sizes[whole] <= fileSize) ++whole;
    return whole;
}

// Keeps the records that reached the disk whole in both files, so that a writing cut
// short by a full disk still leaves a shapefile that readers open.
void ShapelibShapeFiles::keepWholeRecords() {
    const uint64_t shpSize = settleAfterFailure(shp_->fpSHP);
    const uint64_t dbfSize = settleAfterFailure(dbf_->fp);
    int whole = wholeShapeRecords(shp_->panRecOffset, shp_->panRecSize, shp_->nRecords, shpSize);
    const int64_t tableRecords =
        dbf_->bNoHeader ? 0 : (static_cast<int64_t>(dbfSize) - dbf_->nHeaderLength) / dbf_->nRecordLength;
    whole = static_cast<int>(std::clamp<int64_t>(tableRecords, 0, whole));

    shp_->nRecords = whole;
    shp_->nFileSize = whole > 0 ? shp_->panRecOffset[whole - 1] + recordHeader + shp_->panRecSize[whole - 1] : 100;
    shp_->bUpdated = 1;
    dbf_->nRecords = whole;
    dbf_->nCurrentRecord = -1;
    dbf_->bCurrentRecordModified = 0;
    dbf_->bUpdated = 1;
}

void ShapelibShapeFiles::Complete() {
    if (!shp_ && !dbf_) return;
    if (failure_.error != 0 && shp_ && dbf_) keepWholeRecords();
    if (shp_) {
        // shapelib leaves a first point at (0,0) out of the header's box: give it our own.
        if (shp_->nRecords > 0) {
            shp_->adBoundsMin[0] = minX_;
            shp_->adBoundsMin[1] = minY_;
            shp_->adBoundsMax[0] = maxX_;
            shp_->adBoundsMax[1] = maxY_;
            shp_->bUpdated = 1;
        }
        SHPClose(shp_);
        shp_ = nullptr;
    }
    if (dbf_) {
        DBFClose(dbf_);
        dbf_ = nullptr;
    }
    throwIfFailed();
}
