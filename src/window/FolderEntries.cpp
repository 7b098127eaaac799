#include "window/FolderEntries.h"

#include <algorithm>

#include "tables/RuntimeError.h"

namespace {
bool isPhotoName(const std::string& name) {
    return name.size() > 4 && QString::fromLatin1(name.c_str() + name.size() - 4).compare(".jpg", Qt::CaseInsensitive) == 0;
}
}  // namespace

std::vector<ListedEntry> folderEntries(Platform& platform, const std::string& folder, Listing kind) {
    std::vector<Entry> all;
    IoStatus status = platform.List(folder, all);
    if (status.error == IoError::notFound) status.error = IoError::pathNotFound;
    if (!status.ok()) throw fileError(status, folder);
    std::vector<ListedEntry> entries;
    for (const Entry& entry : all) {
        if (entry.hidden) continue;
        const bool wanted = kind == Listing::folders ? entry.kind == EntryKind::folder
                                                     : entry.kind == EntryKind::file && isPhotoName(entry.name);
        if (wanted) entries.push_back({entry.name, QString::fromStdString(entry.name)});
    }
    std::sort(entries.begin(), entries.end(), [](const ListedEntry& a, const ListedEntry& b) {
        const int order = a.shown.compare(b.shown, Qt::CaseInsensitive);
        return order != 0 ? order < 0 : a.name < b.name;
    });
    return entries;
}
