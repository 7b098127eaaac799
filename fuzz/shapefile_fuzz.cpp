// Arbitrary attribute texts (four, split at NUL bytes) through the shapefile control: the
// record must be written, and each text read back as itself, as UTF-8, cut to 254 bytes on
// a character boundary.
#include <unistd.h>

#include <cstdint>
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <shapefil.h>

#include "output/ShapefileName.h"
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

// Length of the character at `i` when its bytes decode to a scalar value in its shortest
// form, else 0: worked out by decoding, not by the control's table of lead bytes.
size_t characterAt(const std::string& s, size_t i) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    const size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (n == 0 || i + n > s.size()) return 0;
    uint32_t point = n == 1 ? c : c & (0x7Fu >> n);
    for (size_t k = 1; k < n; ++k) {
        const unsigned char d = static_cast<unsigned char>(s[i + k]);
        if ((d & 0xC0) != 0x80) return 0;
        point = point << 6 | (d & 0x3F);
    }
    static const uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (point < least[n] || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) return 0;
    return n;
}

// What a text becomes in the table: each byte that is no part of a character replaced by
// U+FFFD, then at most 254 bytes, never ending inside a character.
std::string expected(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size();) {
        const size_t n = characterAt(text, i);
        const std::string character = n > 0 ? text.substr(i, n) : "\xEF\xBF\xBD";
        if (out.size() + character.size() > 254) break;
        out += character;
        i += n > 0 ? n : 1;
    }
    return trimmed(out);
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
    static const std::unique_ptr<Platform> platform = systemPlatform();
    // The control makes its files only anew.
    for (const auto& entry : std::filesystem::directory_iterator(folder)) std::filesystem::remove(entry.path());
    {
        ShapelibShapeFiles control(*platform);
        control.CreateShapefile(path, shapePoint);
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
    // The control writes aside; shapelib reads only a table that has its own name.
    if (!platform->Rename(writtenAside(folder + "/fuzz.dbf"), folder + "/fuzz.dbf").ok()) __builtin_trap();
    DBFHandle table = DBFOpen((folder + "/fuzz.dbf").c_str(), "rb");
    if (!table || DBFGetRecordCount(table) != 1) __builtin_trap();
    for (int i = 0; i < 4; ++i) {
        if (trimmed(DBFReadStringAttribute(table, 0, i + 1)) != expected(values[i])) __builtin_trap();
    }
    DBFClose(table);
    return 0;
}
