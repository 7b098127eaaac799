// Arbitrary latitude and longitude texts (split at the first newline) through the degree
// conversion: it converts, leaves the photo out, or reports a failure, and its outcome
// agrees with what it showed; what it writes must read back as the number it stands for.
#include <cmath>
#include <cstdint>
#include <string>

#include "output/CoordinateNumber.h"
#include "output/DegreeConversion.h"

namespace {
struct QuietBox : MessageBox {
    int shown = 0;
    int Show(const std::string&, int, const std::string&) override { return ++shown; }
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const auto split = input.find('\n');
    WorkingValues values;
    values.photoList.resize(1);
    values.photoCount = 1;
    values.photoList.cell(0, colLatitude) = input.substr(0, split);
    values.photoList.cell(0, colLongitude) = split == std::string::npos ? input : input.substr(split + 1);
    values.saveState = saveNamed;
    QuietBox box;
    DegreeConversion(values, box).ProcessLL();

    // A failure is told, and only a failure: the state the Save goes on by says the same.
    if ((values.saveState == saveNamed) != (box.shown > 0) || (box.shown == 0) != (values.saveState == saveConverted))
        __builtin_trap();
    for (int r = 0; r < values.pointCount; ++r) {
        for (Column c : {colLatitude, colLongitude}) {
            const std::string& text = values.pointList.cell(r, c);
            const double value = decimalCoordinate(text);
            if (!std::isfinite(value) || decimalCoordinateText(value) != text) __builtin_trap();
        }
    }
    return 0;
}
