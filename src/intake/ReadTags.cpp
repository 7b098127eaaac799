#include <memory>
#include <string>

#include "intake/ReadCommand.h"
#include "intake/TagNames.h"
#include "tables/Int16.h"

void ReadCommand::ReadTags() {
    std::unique_ptr<TagReader> reader;
    try {
        const int16_t last = sub16(v_.photoCount, 1);
        LookAhead ahead(platform_, last + 1);
        for (int row = 0; row <= last; ++row) {
            ahead.before(row, [this](int i) -> const std::string& { return v_.photoList.cell(i, colPath); });
            v_.currentPhoto = v_.photoList.cell(row, colPath);
            // The new reader takes the place of the previous photo's, which goes at this moment.
            reader = newTagReader_();
            reader->OpenPhoto(v_.currentPhoto);
            if (!reader->ErrorText().empty()) {
                box_.Show("Error Encountered: " + reader->ErrorText(), styleOk);
                continue;
            }
            for (const TagColumn& tag : tagColumns) v_.photoList.cell(row, tag.column) = reader->TagText(tag.name);
        }
        statusBar_.SetSimpleText(std::to_string(v_.photoCount) + " Pictrak file(s) have been read...");
    } catch (...) {
        reader.reset();
        box_.Show("An unexpected error has occurred reading the JPEG files.", styleInformation, "Error!");
    }
}
