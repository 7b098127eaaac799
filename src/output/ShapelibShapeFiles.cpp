#include "output/ShapelibShapeFiles.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "output/BufferedFile.h"
#include "output/ShapefileName.h"
#include "tables/RuntimeError.h"

namespace {
// shapelib ignores failed writes and prints its complaints to stderr. These hooks write
// through the platform, beside the name asked for (the Save puts the files in place when
// all of them are whole), and keep the first failure of a writing, and the file it
// happened on, in the control's own record.

struct AsideFile {
    BufferedFile file;
    ShapefileWriting& writing;
    // Tells the writing of a failure as soon as it happens.
    template <typename T>
    T noted(T result) {
        if (!file.failure().ok()) writing.note(file.failure(), file.path());
        return result;
    }
};
AsideFile* aside(SAFile file) { return reinterpret_cast<AsideFile*>(file); }

// What an existing file holds, for a writing that did not make it.
IoStatus load(File& file, std::string& image) {
    uint64_t size = 0;
    IoStatus status = file.Size(size);
    image.resize(status.ok() ? static_cast<size_t>(size) : 0);
    size_t got = 0;
    if (status.ok()) status = file.ReadAt(0, image.data(), image.size(), got);
    image.resize(got);
    return status;
}

SAFile openAside(const char* name, const char* access, ShapefileWriting& writing) {
    const std::string path = writtenAside(name);
    const bool create = std::strchr(access, 'w') != nullptr;
    auto held = writing.files.find(path);
    if (create || held == writing.files.end()) {
        ShapefileWriting::Held opened{name, nullptr, ""};
        IoStatus status = writing.platform.Open(path, create ? OpenMode::createNew : OpenMode::readWrite, opened.file);
        if (status.ok() && !create) status = load(*opened.file, opened.image);
        if (!status.ok()) {
            // Failures name the file the user knows; a file come under the name written aside is named itself.
            writing.note(status, status.error == IoError::exists ? path : name);
            return nullptr;
        }
        held = writing.files.insert_or_assign(path, std::move(opened)).first;
    }
    return reinterpret_cast<SAFile>(new AsideFile{BufferedFile(*held->second.file, name, held->second.image), writing});
}

int removeAside(const char* name, ShapefileWriting& writing) {
    writing.files.erase(writtenAside(name));  // a file still open cannot be removed on every system
    writing.written.erase(writtenAside(name));
    return writing.platform.Remove(writtenAside(name)).ok() ? 0 : -1;
}

#ifdef SHAPELIB_VERSION_NUMBER  // 1.6 on: the hooks carry a pointer of ours, and written data is const
using WrittenData = const void*;
ShapefileWriting& writingOf(void* writing) { return *static_cast<ShapefileWriting*>(writing); }
SAFile hookOpen(const char* name, const char* access, void* writing) {
    return openAside(name, access, writingOf(writing));
}
int hookRemove(const char* name, void* writing) { return removeAside(name, writingOf(writing)); }
#else
using WrittenData = void*;
// The writing whose files shapelib opens at this moment; set only for the length of one
// call, since 1.5 hands its hooks nothing of ours.
thread_local ShapefileWriting* opening = nullptr;
SAFile hookOpen(const char* name, const char* access) { return openAside(name, access, *opening); }
int hookRemove(const char* name) { return removeAside(name, *opening); }
#endif

// shapelib 1.5 writes the .cpg without looking whether it could be opened: every hook
// takes a file that is not there as a failure.
SAOffset hookRead(void* p, SAOffset size, SAOffset count, SAFile file) {
    AsideFile* f = aside(file);
    return !f || size == 0 ? 0 : f->noted(f->file.read(p, size * count) / size);
}
SAOffset hookWrite(WrittenData p, SAOffset size, SAOffset count, SAFile file) {
    AsideFile* f = aside(file);
    return !f || size == 0 ? 0 : f->noted(f->file.write(p, size * count) / size);
}
SAOffset hookSeek(SAFile file, SAOffset offset, int whence) {
    if (!file) return static_cast<SAOffset>(-1);
    BufferedFile& f = aside(file)->file;
    const uint64_t from = whence == SEEK_CUR ? f.position() : whence == SEEK_END ? f.size() : 0;
    f.seek(from + offset);
    return 0;
}
SAOffset hookTell(SAFile file) { return file ? aside(file)->file.position() : 0; }
int hookFlush(SAFile file) {
    AsideFile* f = aside(file);
    return !f ? -1 : f->noted(f->file.flush() ? 0 : -1);
}
int hookClose(SAFile file) {
    AsideFile* f = aside(file);
    if (!f) return -1;
    const int result = f->noted(f->file.flush() ? 0 : -1);
    delete f;
    return result;
}
// Every failure shapelib can meet is told by a hook or by its return value.
void hookError(const char*) {}

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
        // Nothing can report it any more, and files written aside are never put in place.
    }
}

void ShapelibShapeFiles::CreateShapefile(std::string& path, int32_t shapeType) {
    Complete();
    if (shapeType != shapePoint) throw RuntimeError(errInvalidCall, "Only point shapefiles can be written");

    // The files and the projection beside them share one base name: give the path its ending.
    base_ = shapefileBase(path);
    path = base_ + ".shp";

    writing_.failure = {};
    writing_.written.clear();
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
    hooks.Remove = hookRemove;
    hooks.Error = hookError;
#ifdef SHAPELIB_VERSION_NUMBER
    hooks.pvUserData = &writing_;
#else
    opening = &writing_;
    struct Opened {
        ~Opened() { opening = nullptr; }
    } opened;
#endif
    shp_ = SHPCreateLL(path.c_str(), SHPT_POINT, &hooks);
    if (!shp_) {
        closeFiles();
        IoStatus failure = writing_.failure;
        if (failure.error == IoError::notFound) failure.error = IoError::pathNotFound;  // a missing folder
        throw fileError(failure, writing_.failedPath.empty() ? path : writing_.failedPath);
    }
    dbf_ = DBFCreateLL((base_ + ".dbf").c_str(), "UTF-8", &hooks);
    if (!dbf_) {
        const IoStatus failure = writing_.failure;
        const std::string failedPath = writing_.failedPath.empty() ? base_ + ".dbf" : writing_.failedPath;
        SHPClose(shp_);
        shp_ = nullptr;
        closeFiles();
        throw fileError(failure, failedPath);
    }
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
    if (!writing_.failure.ok()) throw fileError(writing_.failure, writing_.failedPath);
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

// Each file held is brought to the storage and closed; its print is kept once it is there.
void ShapelibShapeFiles::closeFiles() {
    for (auto& [path, held] : writing_.files) {
        IoStatus status = held.file->Sync();
        if (status.ok()) status = held.file->Close();
        writing_.note(status, held.name);
        if (status.ok()) writing_.written[path].add(held.image.data(), held.image.size());
    }
    writing_.files.clear();
}

void ShapelibShapeFiles::Complete() {
    if (!shp_ && !dbf_ && writing_.files.empty()) return;
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
    closeFiles();
    throwIfFailed();
}
