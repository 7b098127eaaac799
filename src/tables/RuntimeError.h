#pragma once
#include <stdexcept>
#include <string>

#include "platform/IoStatus.h"

// A run-time failure as the user sees it: a number and a description.
// Every failure that leaves a command is one of these (or is reported as one).
enum ErrorNumber : int {
    errInvalidCall = 5,
    errOverflow = 6,
    errOutOfMemory = 7,
    errSubscript = 9,
    errTypeMismatch = 13,
    errInternal = 51,
    errFileNotFound = 53,
    errDiskFull = 61,
    errPermissionDenied = 70,
    errFileAccess = 75,
    errPathNotFound = 76,
    errCannotCreateObject = 429,
    errCancel = 32755,
};

class RuntimeError : public std::runtime_error {
public:
    explicit RuntimeError(ErrorNumber number);
    RuntimeError(int number, const std::string& description);

    int number() const { return number_; }
    const std::string& description() const { return description_; }

    // The description the platform gives each number when nothing more precise is known.
    static std::string standardDescription(int number);

private:
    int number_;
    std::string description_;
};

// The run-time error of a failed operation on the file `path`, which its description names.
RuntimeError fileError(const IoStatus& status, const std::string& path);
