#include "output/ShapefileReplacement.h"

#include <algorithm>

#include "output/ShapefileName.h"
#include "tables/RuntimeError.h"

namespace {
// The files of a shapefile as a Save writes them. The .shp, which readers open first, is
// moved aside first and put in place last.
const char* const movingAside[] = {".shp", ".shx", ".dbf", ".cpg", ".prj"};
const char* const placing[] = {".shx", ".dbf", ".cpg", ".prj", ".shp"};
// Spatial indexes of the earlier shapefile, which would describe the wrong points: they go
// when the new shapefile is in place.
const char* const indexes[] = {".qix", ".sbn", ".sbx"};
}  // namespace

ShapefileReplacement::ShapefileReplacement(Platform& platform, std::string base)
    : platform_(platform), base_(std::move(base)) {
    const size_t separator = base_.find_last_of(std::string{'/', platform_.Separator()});
    folder_ = separator == std::string::npos ? "" : base_.substr(0, separator + 1);

    if (exists(savingMarker(base_))) {
        // An earlier Save was cut short after its new set was whole: finish it.
        moveEarlierAside();
        placeNew();
        removeMovedAside();
    }
    for (const char* ending : movingAside) {
        const std::string path = file(ending);
        if (exists(writtenAside(path))) platform_.Remove(writtenAside(path));
        if (!exists(path)) continue;
        if (std::string(ending) == ".shp") earlier_ = true;
        const IoStatus writable = platform_.CheckWritable(path);
        if (!writable.ok()) throw fileError(writable, path);
    }
}

ShapefileReplacement::~ShapefileReplacement() {
    if (committed_) return;
    for (const char* ending : movingAside) platform_.Remove(writtenAside(file(ending)));
}

bool ShapefileReplacement::exists(const std::string& path) {
    EntryKind kind = EntryKind::other;
    return platform_.Kind(path, kind).ok();
}

void ShapefileReplacement::commit() {
    for (const char* ending : movingAside) {
        const std::string path = file(ending);
        std::unique_ptr<File> written;
        IoStatus status = platform_.Open(writtenAside(path), OpenMode::readWrite, written);
        if (status.ok()) status = written->Sync();
        if (status.ok()) status = written->Close();
        if (status.ok() && exists(path)) status = platform_.KeepPermissions(path, writtenAside(path));
        if (!status.ok()) throw fileError(status, path);
    }
    std::unique_ptr<File> marker;
    IoStatus status = platform_.Open(savingMarker(base_), OpenMode::create, marker);
    if (status.ok()) status = marker->Close();
    if (status.ok()) status = platform_.SyncFolder(folder_);
    if (!status.ok()) {
        platform_.Remove(savingMarker(base_));
        throw fileError(status, savingMarker(base_));
    }
    // From here on the new set is whole: a crash leaves it to the next Save to finish.
    try {
        moveEarlierAside();
        placeNew();
        status = platform_.SyncFolder(folder_);
        if (!status.ok()) throw fileError(status, folder_);
    } catch (const RuntimeError&) {
        rollBack();
        throw;
    }
    committed_ = true;
    removeMovedAside();
}

void ShapefileReplacement::moveEarlierAside() {
    std::vector<std::string> endings(std::begin(movingAside), std::end(movingAside));
    endings.insert(endings.end(), std::begin(indexes), std::end(indexes));
    for (const std::string& ending : endings) {
        const std::string path = file(ending);
        // A file of the new set already in place stays; so does one moved aside before.
        const bool isNew = std::find(placed_.begin(), placed_.end(), ending) != placed_.end();
        if (isNew || !exists(path) || exists(movedAside(path))) continue;
        const bool member = ending != ".qix" && ending != ".sbn" && ending != ".sbx";
        if (member && !exists(writtenAside(path))) continue;
        const IoStatus status = platform_.Rename(path, movedAside(path));
        if (!status.ok()) throw fileError(status, path);
    }
}

void ShapefileReplacement::placeNew() {
    for (const char* ending : placing) {
        const std::string path = file(ending);
        if (!exists(writtenAside(path))) continue;
        const IoStatus status = platform_.Rename(writtenAside(path), path);
        if (!status.ok()) throw fileError(status, path);
        placed_.push_back(ending);
    }
}

void ShapefileReplacement::removeMovedAside() {
    for (const char* ending : movingAside) platform_.Remove(movedAside(file(ending)));
    for (const char* ending : indexes) platform_.Remove(movedAside(file(ending)));
    platform_.Remove(savingMarker(base_));
}

// The new files go back aside (so that, should this be cut short, the marker still finds a
// whole new set), the earlier ones back in place with the .shp last, then the marker goes.
void ShapefileReplacement::rollBack() {
    for (const char* ending : movingAside) {
        const std::string path = file(ending);
        if (std::find(placed_.begin(), placed_.end(), ending) == placed_.end()) continue;
        if (!platform_.Rename(path, writtenAside(path)).ok()) intact_ = false;
    }
    placed_.clear();
    std::vector<std::string> endings(std::begin(indexes), std::end(indexes));
    endings.insert(endings.end(), std::begin(placing), std::end(placing));
    for (const std::string& ending : endings) {
        const std::string path = file(ending);
        if (exists(movedAside(path)) && !platform_.Rename(movedAside(path), path).ok()) intact_ = false;
    }
    if (intact_) platform_.Remove(savingMarker(base_));
}
