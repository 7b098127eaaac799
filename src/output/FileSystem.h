#pragma once
#include <string>

// What the Save command needs of the file system.
class FileSystem {
public:
    virtual ~FileSystem() = default;
    // The folder that holds the program, without a trailing separator.
    virtual std::string AppPath() = 0;
    // Copies a whole file, replacing the destination; file not found (53) when the source
    // is missing, permission denied (70) when the destination cannot be written.
    virtual void FileCopy(const std::string& source, const std::string& destination) = 0;
};
