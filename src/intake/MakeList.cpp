#include <string>

#include "intake/ReadCommand.h"
#include "tables/Int16.h"
#include "tables/RuntimeError.h"

namespace {
// The separator between a folder and a file name on this platform.
constexpr char separator = '/';

int16_t passBound(FileList& list) { return sub16(toInt16(list.ListCount()), 1); }
}  // namespace

void ReadCommand::MakeList() {
    // Refuse a folder too large for the 16-bit counts before the old table is touched.
    const int entries = fileList_.ListCount();
    if (entries > INT16_MAX) {
        throw RuntimeError(errOverflow, "This folder holds " + std::to_string(entries) +
                                            " photos; at most 32767 can be read at once. "
                                            "Select fewer files or split the folder.");
    }

    v_.photoCount = 0;
    v_.anySelected = 0;

    int16_t last = passBound(fileList_);
    for (int i = 0; i <= last; ++i) {
        if (fileList_.Selected(i)) {
            v_.photoCount = add16(v_.photoCount, 1);
            v_.anySelected = 1;
        }
    }
    if (v_.anySelected == 0) {
        last = passBound(fileList_);
        for (int i = 0; i <= last; ++i) v_.photoCount = add16(v_.photoCount, 1);
    }

    v_.photoList.resize(v_.photoCount);
    v_.photoCount = 0;

    last = passBound(fileList_);
    for (int i = 0; i <= last; ++i) {
        if (v_.anySelected == 1 && !fileList_.Selected(i)) continue;
        v_.photoList.cell(v_.photoCount, colPath) = dirList_.Path() + separator + fileList_.List(i);
        v_.photoCount = add16(v_.photoCount, 1);
    }
}
