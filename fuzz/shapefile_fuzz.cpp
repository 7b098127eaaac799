// Arbitrary attribute texts (four, split at NUL bytes) through the shapefile control: the
// record must be written, and each text read back as itself, or cut to 254 bytes on a
// character boundary.
#include <unistd.h>

#include <cstdint>
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <shapefil.h>

#include "output/ShapelibShapeFiles.h"

namespace {
std::vector<std::string> texts(const uint8_t* data, size_t size) {
    std::vector<std::string> out(4);
    size_t field = 0;
    for (size_t i = 0; i < size && field < out.size(); ++i) {
        if (data[i] == 0) ++field;
        else out[field] += static_cast<char>(data[i]);
    }
    return out;
}

// dBASE pads with blanks, and readers may trim them on either side.
std::string trimmed(std::string text) {
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text.substr(std::min(text.find_first_not_of(' '), text.size()));
}

// What a text becomes in the table: at most 254 bytes, never ending inside a UTF-8 character.
std::string expected(std::string text) {
    if (text.size() > 254) {
        size_t cut = 254;
        while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
        text.resize(cut);
    }
    return trimmed(text);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A folder of this run's own, removed when the run ends.
    static const struct Folder {
        std::string path = std::filesystem::temp_directory_path() / ("pictrak-fuzz-" + std::to_string(getpid()));
        Folder() { std::filesystem::create_directories(path); }
        ~Folder() { std::filesystem::remove_all(path); }
    } run;
    const std::string& folder = run.path;
    const std::vector<std::string> values = texts(data, size);
    std::string path = folder + "/fuzz";
    {
        ShapelibShapeFiles control;
        control.CreateShapefile(path, shapePoint, 1);
        control.Fields().AddField("Point_id", fieldWholeNumber);
        const char* names[] = {"Photo", "DateTime_", "Date_GPS", "Time_GPS"};
        const int16_t widths[] = {50, 20, 12, 10};
        for (int i = 0; i < 4; ++i) control.Fields().AddField(names[i], fieldText, widths[i]);
        control.FinishFields();
        control.Fields().GetField("Point_id").SetValue(int16_t{1});
        for (int i = 0; i < 4; ++i) control.Fields().GetField(names[i]).SetValue(values[i]);
        control.Points().AddPoint(1.5, -2.5);
        control.WriteRecord();
        control.EndRecord();
        control.Complete();
    }
    DBFHandle table = DBFOpen((folder + "/fuzz.dbf").c_str(), "rb");
    if (!table || DBFGetRecordCount(table) != 1) __builtin_trap();
    for (int i = 0; i < 4; ++i) {
        if (trimmed(DBFReadStringAttribute(table, 0, i + 1)) != expected(values[i])) __builtin_trap();
    }
    DBFClose(table);
    return 0;
}
