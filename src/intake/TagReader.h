#pragma once
#include <functional>
#include <memory>
#include <string>

#include "platform/IoStatus.h"

// Reads the EXIF tags of one photo as text. A problem with the file is told by
// ErrorText; an exception means the reader itself failed.
class TagReader {
public:
    virtual ~TagReader() = default;
    virtual void OpenPhoto(const std::string& path) = 0;
    virtual std::string ErrorText() = 0;
    // What the system said when the photo could not be opened or read; `none` when the
    // problem told is in the photo's bytes.
    virtual IoError ErrorKind() = 0;
    virtual std::string TagText(const std::string& tagName) = 0;
};

// Makes a fresh reader for each photo; throws when no reader can be had.
using TagReaderFactory = std::function<std::unique_ptr<TagReader>()>;
