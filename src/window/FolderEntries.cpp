#include "window/FolderEntries.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <memory>

#include "tables/RuntimeError.h"

namespace {
bool isPhotoName(const std::string& name) {
    return name.size() > 4 && strcasecmp(name.c_str() + name.size() - 4, ".jpg") == 0;
}
}  // namespace

std::vector<FolderEntry> folderEntries(const std::string& folder, EntryKind kind) {
    std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.c_str()), closedir);
    if (!dir) {
        if (errno == ENOENT || errno == ENOTDIR) throw RuntimeError(errPathNotFound, "Path not found: " + folder);
        throw fileError(errno, folder);
    }
    std::vector<FolderEntry> entries;
    while (const dirent* entry = readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (name.empty() || name[0] == '.') continue;  // hidden, and the folder itself and its parent
        if (kind == EntryKind::photos && !isPhotoName(name)) continue;
        struct stat info;  // through a link to what it names
        if (fstatat(dirfd(dir.get()), name.c_str(), &info, 0) != 0) continue;
        if (kind == EntryKind::folders ? S_ISDIR(info.st_mode) : S_ISREG(info.st_mode))
            entries.push_back({name, QFile::decodeName(name.c_str())});
    }
    std::sort(entries.begin(), entries.end(), [](const FolderEntry& a, const FolderEntry& b) {
        const int order = a.shown.compare(b.shown, Qt::CaseInsensitive);
        return order != 0 ? order < 0 : a.name < b.name;
    });
    return entries;
}
