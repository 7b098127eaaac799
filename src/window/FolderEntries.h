#pragma once
#include <QString>
#include <string>
#include <vector>

#include "platform/Platform.h"

enum class Listing { folders, photos };

struct ListedEntry {
    std::string name;  // the file system's bytes
    QString shown;     // as UTF-8, U+FFFD where the bytes are none
};

// The names of one folder's visible subfolders, or of its "*.jpg" files (the ending in any
// case), by their bytes as the file system holds them: a name that is not UTF-8 is listed
// all the same. Sorted by name without regard to case. Path not found (76) when the folder
// cannot be opened.
std::vector<ListedEntry> folderEntries(Platform& platform, const std::string& folder, Listing kind);
