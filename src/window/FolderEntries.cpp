#include "window/FolderEntries.h"

#include <algorithm>

#include "tables/RuntimeError.h"

namespace {
bool endsWith(const std::string& name, const QString& ending) {
    const auto length = static_cast<size_t>(ending.size());
    return name.size() > length &&
           QString::fromLatin1(name.c_str() + name.size() - length).compare(ending, Qt::CaseInsensitive) == 0;
}

void sortByName(std::vector<ListedEntry>& entries) {
    std::sort(entries.begin(), entries.end(), [](const ListedEntry& a, const ListedEntry& b) {
        const int order = a.shown.compare(b.shown, Qt::CaseInsensitive);
        return order != 0 ? order < 0 : a.name < b.name;
    });
}
}  // namespace

FolderContents folderEntries(Platform& platform, const std::string& folder) {
    std::vector<Entry> all;
    IoStatus status = platform.List(folder, all);
    if (status.error == IoError::notFound) status.error = IoError::pathNotFound;
    if (!status.ok()) throw fileError(status, folder);
    FolderContents contents;
    for (const Entry& entry : all) {
        if (entry.hidden) continue;
        if (entry.kind == EntryKind::folder) contents.folders.push_back({entry.name, QString::fromStdString(entry.name)});
        if (entry.kind != EntryKind::file) continue;
        if (endsWith(entry.name, ".jpg")) contents.photos.push_back({entry.name, QString::fromStdString(entry.name)});
        if (endsWith(entry.name, ".shp")) contents.shapefiles.push_back({entry.name, QString::fromStdString(entry.name)});
    }
    for (auto* list : {&contents.folders, &contents.photos, &contents.shapefiles}) sortByName(*list);
    return contents;
}
