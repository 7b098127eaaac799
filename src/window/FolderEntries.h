#pragma once
#include <QString>
#include <string>
#include <vector>

#include "platform/Platform.h"

struct ListedEntry {
    std::string name;  // the file system's bytes
    QString shown;     // as UTF-8, U+FFFD where the bytes are none
};

// What the two lists, or the save dialog, show of one folder.
struct FolderContents {
    std::vector<ListedEntry> folders;     // its visible subfolders
    std::vector<ListedEntry> photos;      // its visible "*.jpg" files, the ending in any case
    std::vector<ListedEntry> shapefiles;  // its visible "*.shp" files, the same way
};

// One listing of `folder` for the lists, by the names' bytes as the file system holds them:
// a name that is not UTF-8 is listed all the same. Each list sorted by name without regard
// to case. Path not found (76) when the folder cannot be listed. May run on any thread.
FolderContents folderEntries(Platform& platform, const std::string& folder);
