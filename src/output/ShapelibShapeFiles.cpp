#include "output/ShapelibShapeFiles.h"

#include <stdio_ext.h>
#include <strings.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "tables/RuntimeError.h"

namespace {
// shapelib reports nothing about failed writes and prints its complaints to stderr; these
// hooks keep the first I/O failure of a writing so that it can be reported as an error.
struct IoState {
    int error = 0;
    std::string message;
} io;

void noteFailure() {
    if (io.error == 0) io.error = errno != 0 ? errno : EIO;
}

// A stream that knows its own position: shapelib seeks before every record, and a seek to
// where the stream already is would otherwise flush its buffer, one write per record.
struct TrackedFile {
    FILE* file;
    uint64_t position;
};

TrackedFile* tracked(SAFile file) { return reinterpret_cast<TrackedFile*>(file); }

SAFile hookOpen(const char* name, const char* access) {
    FILE* file = std::fopen(name, access);
    if (!file) {
        noteFailure();
        return nullptr;
    }
    std::setvbuf(file, nullptr, _IOFBF, 1 << 16);
    return reinterpret_cast<SAFile>(new TrackedFile{file, 0});
}
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
SAOffset hookWrite(void* p, SAOffset size, SAOffset count, SAFile file) {
    TrackedFile* f = tracked(file);
    errno = 0;
    const SAOffset written = std::fwrite(p, size, count, f->file);
    f->position += written * size;
    if (written < count) noteFailure();
    return written;
}
SAOffset hookSeek(SAFile file, SAOffset offset, int whence) {
    TrackedFile* f = tracked(file);
    if (whence == SEEK_SET && offset == f->position) return 0;
    errno = 0;
    if (std::fseek(f->file, static_cast<long>(offset), whence) != 0) {  // also where buffered writes fail
        noteFailure();
        return static_cast<SAOffset>(-1);
    }
    f->position = static_cast<uint64_t>(std::ftell(f->file));
    return 0;
}
SAOffset hookTell(SAFile file) { return tracked(file)->position; }
int hookFlush(SAFile file) {
    errno = 0;
    const int result = std::fflush(tracked(file)->file);
    if (result != 0) noteFailure();
    return result;
}
int hookClose(SAFile file) {
    TrackedFile* f = tracked(file);
    errno = 0;
    const int result = std::fclose(f->file);
    delete f;
    if (result != 0) noteFailure();
    return result;
}
void hookError(const char* message) {
    if (io.message.empty()) io.message = message;
}

SAHooks* hooks() {
    static SAHooks h = [] {
        SAHooks made;
        SASetupDefaultHooks(&made);
        made.FOpen = hookOpen;
        made.FRead = hookRead;
        made.FWrite = hookWrite;
        made.FSeek = hookSeek;
        made.FTell = hookTell;
        made.FFlush = hookFlush;
        made.FClose = hookClose;
        made.Error = hookError;
        return made;
    }();
    return &h;
}

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

// The text cut to the widest field, never inside a UTF-8 character.
std::string fitted(const std::string& text) {
    if (text.size() <= widestText) return text;
    size_t cut = widestText;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    return text.substr(0, cut);
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
    const bool hasEnding = path.size() >= 4 && strcasecmp(path.c_str() + path.size() - 4, ".shp") == 0;
    if (hasEnding) path.replace(path.size() - 4, 4, ".shp");
    else path += ".shp";
    const std::string base = path.substr(0, path.size() - 4);

    io = IoState{};
    fields_.clear();
    widths_.clear();
    values_.clear();
    points_.clear();
    fieldsFinished_ = false;
    minX_ = minY_ = std::numeric_limits<double>::infinity();
    maxX_ = maxY_ = -minX_;

    shp_ = SHPCreateLL(path.c_str(), SHPT_POINT, hooks());
    if (!shp_) {
        const int err = io.error == ENOENT ? ENOTDIR : io.error;  // a missing folder, not a missing file
        throw fileError(err, path);
    }
    dbf_ = DBFCreateLL((base + ".dbf").c_str(), "UTF-8", hooks());
    if (!dbf_) {
        const int err = io.error;
        Complete();
        throw fileError(err, base + ".dbf");
    }
    // A spatial index of an earlier shapefile of this name would describe the wrong points.
    for (const char* ending : {".qix", ".sbn", ".sbx"}) std::remove((base + ending).c_str());
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

void ShapelibShapeFiles::throwIfFailed(const char* what) {
    if (io.error != 0) throw fileError(io.error, what);
    if (!io.message.empty()) throw RuntimeError(errFileAccess, io.message);
}

void ShapelibShapeFiles::writeText(int record, int field, const std::string& text) {
    const std::string value = fitted(text);
    const int length = static_cast<int>(value.size());
    if (length > widths_[static_cast<size_t>(field)]) {
        const Field& f = fields_[static_cast<size_t>(field)];
        if (!DBFAlterFieldDefn(dbf_, field, f.name().c_str(), 'C', length, 0)) {
            throwIfFailed("the attribute table");
            throw RuntimeError(errFileAccess, "Cannot widen the field " + f.name());
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
        throwIfFailed("the shapefile");
        throw RuntimeError(errFileAccess, "Cannot write the point");
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
    throwIfFailed("the attribute table");
}

void ShapelibShapeFiles::EndRecord() {
    requireOpen();
    values_.assign(fields_.size(), Value{});
    points_.clear();
}

// Keeps the records that reached the disk whole in both files, so that a writing cut
// short by a full disk still leaves a shapefile that readers open.
void ShapelibShapeFiles::keepWholeRecords() {
    const uint64_t shpSize = settleAfterFailure(shp_->fpSHP);
    const uint64_t dbfSize = settleAfterFailure(dbf_->fp);
    int whole = 0;
    while (whole < shp_->nRecords &&
           uint64_t{shp_->panRecOffset[whole]} + 8 + shp_->panRecSize[whole] <= shpSize)
        ++whole;
    const int64_t tableRecords =
        dbf_->bNoHeader ? 0 : (static_cast<int64_t>(dbfSize) - dbf_->nHeaderLength) / dbf_->nRecordLength;
    whole = static_cast<int>(std::clamp<int64_t>(tableRecords, 0, whole));

    shp_->nRecords = whole;
    shp_->nFileSize = whole > 0 ? shp_->panRecOffset[whole - 1] + 8 + shp_->panRecSize[whole - 1] : 100;
    shp_->bUpdated = 1;
    dbf_->nRecords = whole;
    dbf_->nCurrentRecord = -1;
    dbf_->bCurrentRecordModified = 0;
    dbf_->bUpdated = 1;
}

void ShapelibShapeFiles::Complete() {
    if (!shp_ && !dbf_) return;
    if (io.error != 0 && shp_ && dbf_) keepWholeRecords();
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
    throwIfFailed("the shapefile");
}
