#pragma once
#include "output/FileSystem.h"

class PosixFileSystem : public FileSystem {
public:
    std::string AppPath() override;
    void FileCopy(const std::string& source, const std::string& destination) override;
};
