#include "intake/ReadCommand.h"

#include "tables/Int16.h"

void ReadCommand::cmdReadAll_Click() {
    const std::string folder = dirList_.Path();
    const auto space = folder.find(' ');
    // The position is kept as a 16-bit number; a longer path overflows like any other count.
    const int16_t spacePosition = space == std::string::npos ? 0 : toInt16(static_cast<long long>(space) + 1);
    if (spacePosition > 0) {
        const std::string prompt =
            "To properly write the Shapefile attribute table, your GeoImages must be located in a folder that "
            "does not contain spaces.\r\nDo you want to continue.";
        if (box_.Show(prompt, styleYesNo | styleInformation, "Potential problems encountered") != answerYes) return;
    }
    MakeList();
    ReadTags();
}
