#pragma once
#include <memory>
#include <string>

#include "intake/TagReader.h"
#include "platform/Platform.h"

struct _ExifData;

// The tag reader on libexif: finds the EXIF segment itself and reads five tags as text.
class ExifTagReader : public TagReader {
public:
    explicit ExifTagReader(Platform& platform);
    ~ExifTagReader() override;

    void OpenPhoto(const std::string& path) override;
    std::string ErrorText() override { return error_; }
    IoError ErrorKind() override { return errorKind_; }
    std::string TagText(const std::string& tagName) override;

private:
    // Reads the photo's EXIF; returns what is wrong with the file, or "".
    std::string load(const std::string& path);

    struct ExifDataDeleter {
        void operator()(_ExifData* data) const;
    };
    Platform& platform_;
    std::unique_ptr<_ExifData, ExifDataDeleter> data_;
    std::string error_;
    IoError errorKind_ = IoError::none;
};

TagReaderFactory exifTagReaderFactory(Platform& platform);
