#pragma once
#include <string>

// What went wrong with a file operation, in the kinds the program tells apart.
// `held`: another program has the file open and does not share what was asked for.
// `exists`: something already has the name a new file was to have.
// `storage`: the storage itself failed, not the file: an I/O error, a network or share that
// broke off, a device that went away.
enum class IoError { none, notFound, pathNotFound, permission, held, diskFull, notAFile, exists, storage, other };

struct IoStatus {
    IoError error = IoError::none;
    std::string detail;  // the system's own words
    bool ok() const { return error == IoError::none; }
};
