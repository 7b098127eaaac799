#include <string>

#include "intake/ReadCommand.h"
#include "tables/Int16.h"
#include "tables/RuntimeError.h"

namespace {
// Save sizes its point table one past the last photo in 16 bits, so it takes 32766 photos
// at most; Read takes no more than Save can write.
constexpr int mostPhotos = 32766;

std::string tooMany(int chosen, bool selection) {
    const std::string limit = "; at most " + std::to_string(mostPhotos) + " can be read at once. ";
    if (selection) return std::to_string(chosen) + " photos are selected" + limit + "Select fewer files.";
    return "This folder holds " + std::to_string(chosen) + " photos" + limit + "Select at most " +
           std::to_string(mostPhotos) + " of them, or split the folder.";
}
}  // namespace

void ReadCommand::MakeList() {
    // Photos are opened by their full path: with no folder known, their names would be
    // looked for somewhere else.
    const std::string folder = dirList_.Path();
    if (!platform_.IsAbsolute(folder))
        throw RuntimeError(errPathNotFound,
                           "The current folder cannot be known: its path may be longer than the system allows. "
                           "Open a folder with a shorter path in the folder list.");

    // Everything is checked before the earlier table is touched. The list itself may hold
    // more entries than a 16-bit count, as long as no more are chosen.
    const int last = fileList_.ListCount() - 1;
    int selected = 0;
    for (int i = 0; i <= last; ++i)
        if (fileList_.Selected(i)) ++selected;
    const int chosen = selected > 0 ? selected : last + 1;
    if (chosen > mostPhotos) throw RuntimeError(errOverflow, tooMany(chosen, selected > 0));

    v_.anySelected = selected > 0 ? 1 : 0;
    v_.photoList.resize(chosen);
    v_.photoCount = 0;
    for (int i = 0; i <= last; ++i) {
        if (v_.anySelected == 1 && !fileList_.Selected(i)) continue;
        v_.photoList.cell(v_.photoCount, colPath) = folder + platform_.Separator() + fileList_.List(i);
        v_.photoCount = add16(v_.photoCount, 1);
    }
}
