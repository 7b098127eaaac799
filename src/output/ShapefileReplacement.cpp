#include "output/ShapefileReplacement.h"

#include <algorithm>
#include <map>
#include <optional>
#include <sstream>

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

bool isIndex(const std::string& ending) {
    return std::find(std::begin(indexes), std::end(indexes), ending) != std::end(indexes);
}
const std::vector<std::string>& allEndings() {
    static const std::vector<std::string> endings = [] {
        std::vector<std::string> all(std::begin(movingAside), std::end(movingAside));
        all.insert(all.end(), std::begin(indexes), std::end(indexes));
        return all;
    }();
    return endings;
}
bool contains(const std::vector<std::string>& endings, const std::string& ending) {
    return std::find(endings.begin(), endings.end(), ending) != endings.end();
}
// Once the marker's own look-up has answered, the folder is there: a path not found in it is
// a share or a drive that stopped answering, and a file skipped for it would be replaced or
// removed unseen. Only a file not found is absent, as a request's own answer says.
bool goneFromFolder(const IoStatus& status) { return status.error == IoError::notFound; }
std::string nameOf(const std::string& path) {
    return path.substr(path.find_last_of("/\\") + 1);
}
}  // namespace

ShapefileReplacement::ShapefileReplacement(Platform& platform, std::string base)
    : platform_(platform), base_(std::move(base)) {
    const size_t separator = base_.find_last_of(std::string{'/', platform_.Separator()});
    folder_ = separator == std::string::npos ? "" : base_.substr(0, separator + 1);

    // Each request's own answer says what is there: no look-up first, which on a share is one
    // more wait.
    const std::string marker = savingMarker(base_);
    std::unique_ptr<File> opened;
    IoStatus status = platform_.Open(marker, OpenMode::read, opened);
    // The folder missing, or its share gone: named as the shapefile the user chose.
    if (status.error == IoError::pathNotFound) throw fileError(status, file(".shp"));
    if (!status.ok() && !goneFromFolder(status)) throw fileError(status, marker);
    const bool marked = status.ok();
    std::string listing(4096, '\0');
    size_t got = 0;
    if (marked) status = opened->ReadAt(0, listing.data(), listing.size(), got);
    if (marked && !status.ok()) throw fileError(status, marker);
    listing.resize(got);
    opened.reset();  // a file still open cannot be removed on every system
    std::vector<std::string> leftovers;
    const bool markerLeftOver = marked && !finishCutShort(listing);
    if (markerLeftOver) leftovers.push_back(marker);
    // Without a whole marker nothing was moved aside: the new files and the marker are what a
    // Save cut short before its set was whole left, and an earlier file aside is nothing this
    // program can vouch for.
    for (const std::string& ending : allEndings())
        if (exists(movedAside(file(ending)))) refuse("no whole " + nameOf(marker) + " lists them");
    for (const char* ending : movingAside) leftovers.push_back(writtenAside(file(ending)));
    for (const std::string& leftover : leftovers) {
        const IoStatus removed = platform_.Remove(leftover);
        if (!removed.ok() && !goneFromFolder(removed)) throw fileError(removed, leftover);
    }
    // A marker's removal reaches the storage before new files are written under the names
    // it lists: brought back by a power cut, it would vouch for them.
    if (markerLeftOver && !(status = platform_.SyncFolder(folder_)).ok()) throw fileError(status, folder_);
    // The earlier files, opened as replacing them needs: refused here, before anything is
    // written, when this user could not; and read for the marker.
    for (const char* ending : movingAside) {
        const std::string path = file(ending);
        const IoStatus replaceable = platform_.Open(path, OpenMode::replace, opened);
        if (goneFromFolder(replaceable)) continue;
        if (!replaceable.ok()) throw fileError(replaceable, path);
        replaced_[ending] = printOf(*opened, path);
    }
}

ShapefileReplacement::~ShapefileReplacement() {
    if (committed_ || marked_) return;
    for (const char* ending : movingAside) platform_.Remove(writtenAside(file(ending)));
}

// A look-up that fails for another reason than that nothing is there is a failure: taken
// for an absence, it would skip a file that is there.
bool ShapefileReplacement::exists(const std::string& path) {
    EntryKind kind = EntryKind::other;
    const IoStatus status = platform_.Kind(path, kind);
    if (goneFromFolder(status)) return false;
    if (!status.ok()) throw fileError(status, path);
    return true;
}

FilePrint ShapefileReplacement::printOf(File& file, const std::string& path) {
    std::vector<char> buffer(1 << 16);
    FilePrint print;
    for (;;) {
        size_t got = 0;
        const IoStatus status = file.ReadAt(print.size, buffer.data(), buffer.size(), got);
        if (!status.ok()) throw fileError(status, path);
        print.add(buffer.data(), got);
        if (got < buffer.size()) return print;  // the end of the file: no request more to hear so
    }
}

// The print of the file at `path`, or none when nothing is there.
std::optional<FilePrint> ShapefileReplacement::printIfThere(const std::string& path) {
    std::unique_ptr<File> opened;
    const IoStatus status = platform_.Open(path, OpenMode::read, opened);
    if (goneFromFolder(status)) return std::nullopt;
    if (!status.ok()) throw fileError(status, path);
    return printOf(*opened, path);
}

// What a Save cut short left is used only when it is what its marker lists: each new file
// aside or already in place, and under the name no .shp, or the one that Save replaced, or
// its own. Then it is finished, and brought to the storage, before this Save begins. False
// when the marker is not whole, and so a leftover.
bool ShapefileReplacement::finishCutShort(const std::string& listing) {
    const std::string marker = savingMarker(base_);
    std::map<std::string, FilePrint> listed, replaced;
    bool whole = false;
    {
        std::istringstream lines(listing);
        for (std::string word, ending; !whole && lines >> word;) {
            FilePrint print;
            if (word == "end") whole = true;
            else if (lines >> ending >> print.size >> std::hex >> print.crc >> std::dec && word == "new")
                listed[ending] = print;
            else if (word == "earlier")
                replaced[ending] = print;
            else
                break;
        }
    }
    if (!whole) return false;  // cut short while it was written: its Save had moved nothing yet
    if (nothingAside()) return false;
    for (const char* ending : movingAside) {
        const std::string path = file(ending);
        const auto print = listed.find(ending);
        if (print == listed.end()) refuse(nameOf(marker) + " lists no " + nameOf(path));
        if (const std::optional<FilePrint> aside = printIfThere(writtenAside(path))) {
            if (*aside != print->second)
                refuse(nameOf(writtenAside(path)) + " is not the file " + nameOf(marker) + " lists");
            toPlace_.push_back(ending);
        } else if (printIfThere(path) != print->second) {
            refuse(nameOf(writtenAside(path)) + " is missing and " + nameOf(path) + " is not the file it lists");
        }
    }
    // A file under the name whose new one is still aside goes when the new one is put in
    // place: it must be the one that Save replaced, not one edited or made since.
    for (const std::string& ending : toPlace_) {
        const std::string path = file(ending);
        const auto print = replaced.find(ending);
        const std::optional<FilePrint> there = printIfThere(path);
        if (there && (print == replaced.end() || *there != print->second))
            refuse(nameOf(path) + " is not the one that Save replaced");
    }

    try {
        moveEarlierAside();
        placeNew();
        finished_ = !placed_.empty();
        IoStatus status = platform_.SyncFolder(folder_);
        if (!status.ok()) throw fileError(status, folder_);
        removeMovedAside(allEndings());
        status = platform_.SyncFolder(folder_);
        if (!status.ok()) throw fileError(status, folder_);
    } catch (const RuntimeError& failure) {
        throw RuntimeError(failure.number(), failure.description() +
                                                 ". A Save under this name was cut short earlier and is not finished: "
                                                 "its files end in .pictrak-new and .pictrak-old");
    }
    toPlace_.clear();
    moved_.clear();
    placed_.clear();
    return true;
}

// With no file aside, new or earlier, a marker has nothing left to move or remove, whatever
// stands under the name: a roll-back that could not remove it, or a tidy-up cut short just
// before it, left it. It is a leftover; kept, it would have every later Save refused.
bool ShapefileReplacement::nothingAside() {
    for (const std::string& ending : allEndings())
        if (exists(movedAside(file(ending)))) return false;
    for (const char* ending : movingAside)
        if (exists(writtenAside(file(ending)))) return false;
    return true;
}

// Leftovers of a Save cut short that cannot be vouched for stay as they are, and so does
// the shapefile beside them: the user may move them away, or keep what they hold.
void ShapefileReplacement::refuse(const std::string& why) {
    std::string found = savingMarker(base_);
    if (!exists(found)) found.clear();
    for (const std::string& ending : allEndings()) {
        for (const std::string& aside : {writtenAside(file(ending)), movedAside(file(ending))})
            if (exists(aside)) found += (found.empty() ? "" : ", ") + aside;
    }
    throw RuntimeError(errFileAccess, RuntimeError::standardDescription(errFileAccess) + ": " + found +
                                          " were left by a Save cut short and are not used, since " + why +
                                          ". Nothing was changed: move them away to save under this name.");
}

void ShapefileReplacement::commit(const FilePrints& written) {
    std::ostringstream record;
    // One line a file, as finishCutShort reads it back.
    const auto list = [&record](const char* which, const std::string& ending, const FilePrint& print) {
        record << which << ' ' << ending << ' ' << print.size << ' ' << std::hex << print.crc << std::dec << '\n';
    };
    for (const char* ending : placing) {
        const std::string path = file(ending);
        const auto print = written.find(writtenAside(path));
        if (print == written.end()) throw RuntimeError(errInvalidCall, "Nothing was written to " + writtenAside(path));
        list("new", ending, print->second);
        if (!replaced_.count(ending)) continue;
        const IoStatus status = platform_.KeepPermissions(path, writtenAside(path));
        if (!status.ok() && !goneFromFolder(status)) throw fileError(status, path);
    }
    for (const auto& [ending, print] : replaced_) list("earlier", ending, print);
    record << "end\n";

    const std::string marker = savingMarker(base_);
    const std::string text = record.str();
    std::unique_ptr<File> markerFile;
    IoStatus status = platform_.Open(marker, OpenMode::createNew, markerFile);
    marked_ = status.ok();
    if (status.ok()) status = markerFile->WriteAt(0, text.data(), text.size());
    if (status.ok()) status = markerFile->Sync();
    if (status.ok()) status = markerFile->Close();
    if (status.ok()) status = platform_.SyncFolder(folder_);
    if (!status.ok()) {
        markerFile.reset();  // a file still open cannot be removed on every system
        if (marked_) rollBack();
        throw fileError(status, marker);
    }
    // From here on the new set is whole: a crash leaves it to the next Save to finish.
    toPlace_.assign(std::begin(placing), std::end(placing));
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
    removeMovedAside(moved_);
}

// Each earlier file whose new one is to go in place, and with the .shp the indexes; a file
// aside under the same name is one a tidy-up could not remove, and is replaced.
void ShapefileReplacement::moveEarlierAside() {
    for (const std::string& ending : allEndings()) {
        if (!contains(toPlace_, isIndex(ending) ? ".shp" : ending)) continue;
        const std::string path = file(ending);
        const IoStatus status = platform_.Rename(path, movedAside(path));
        if (goneFromFolder(status)) {
            // A file this Save opened and now not found: a share replaying a move whose answer
            // was lost answers so, the move made all the same.
            if (!replaced_.count(ending) || !exists(movedAside(path))) continue;
        } else if (!status.ok()) {
            throw fileError(status, path);
        }
        moved_.push_back(ending);
    }
}

void ShapefileReplacement::placeNew() {
    for (const char* ending : placing) {
        if (!contains(toPlace_, ending)) continue;
        const std::string path = file(ending);
        const IoStatus status = platform_.Rename(writtenAside(path), path);
        if (!status.ok()) throw fileError(status, path);
        placed_.push_back(ending);
    }
}

// The files aside go: every one, whichever Save moved it, after a Save cut short; those this
// Save moved after its own, as no other was left once it began. The marker only when they
// all went, so that the next Save knows the rest is to go too.
void ShapefileReplacement::removeMovedAside(const std::vector<std::string>& endings) {
    std::optional<RuntimeError> failure;
    const auto remove = [&](const std::string& path) {
        const IoStatus status = platform_.Remove(path);
        if (!status.ok() && !goneFromFolder(status) && !failure) failure = fileError(status, path);
    };
    for (const std::string& ending : endings) remove(movedAside(file(ending)));
    if (!failure) remove(savingMarker(base_));
    if (failure) throw *failure;
}

// The new files go back aside (so that, should this be cut short, the marker still finds a
// whole new set), the earlier ones back in place with the .shp last, then the marker goes.
// The first move that fails ends it: going on could put a .shp beside files not its own.
void ShapefileReplacement::rollBack() {
    for (auto ending = placed_.rbegin(); intact_ && ending != placed_.rend(); ++ending)
        intact_ = platform_.Rename(file(*ending), writtenAside(file(*ending))).ok();
    for (auto ending = moved_.rbegin(); intact_ && ending != moved_.rend(); ++ending)
        intact_ = platform_.Rename(movedAside(file(*ending)), file(*ending)).ok();
    if (!intact_) return;
    placed_.clear();
    moved_.clear();
    // The new files go before the marker: a marker left behind must not find a whole new set,
    // or the next Save would finish a Save the user was told had failed.
    // Only once its removal has reached the storage is the marker gone: a power cut would
    // bring it back, with new files it lists.
    for (const char* ending : movingAside) platform_.Remove(writtenAside(file(ending)));
    if (platform_.Remove(savingMarker(base_)).ok() && platform_.SyncFolder(folder_).ok()) marked_ = false;
}
