#pragma once
#include <filesystem>
#include <string>

#ifndef PICTRAK_SHARED_PHOTOS
#define PICTRAK_SHARED_PHOTOS ""
#endif

// The folder of real photos beside the project, or "" when it is not there.
inline std::string sharedPhotos() {
    const std::string folder = PICTRAK_SHARED_PHOTOS;
    return !folder.empty() && std::filesystem::is_directory(folder) ? folder : "";
}

#define SKIP_WITHOUT_SHARED_PHOTOS(folder)                                                        \
    if ((folder).empty()) GTEST_SKIP() << "the real photos (../shared/testdata/photos) are absent"

inline bool haveCommand(const char* name) {
    return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}
