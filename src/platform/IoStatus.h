#pragma once
#include <string>

// What went wrong with a file operation, in the kinds the program tells apart.
enum class IoError { none, notFound, pathNotFound, permission, diskFull, notAFile, other };

struct IoStatus {
    IoError error = IoError::none;
    std::string detail;  // the system's own words
    bool ok() const { return error == IoError::none; }
};
