#include "output/DegreeConversion.h"

#include <optional>
#include <string>

#include "output/CoordinateNumber.h"
#include "tables/Int16.h"
#include "tables/RuntimeError.h"

namespace {
// 1-based position of `word` in `text`, 0 when absent; held as a 16-bit number.
int16_t wordPosition(const std::string& text, const char* word) {
    const auto at = text.find(word);
    return at == std::string::npos ? 0 : toInt16(static_cast<long long>(at) + 1);
}

// Drops everything up to the word at `position` and the one character after it.
void cutAfterWord(std::string& text, int16_t position) {
    const long long keep = static_cast<long long>(text.size()) - add16(position, 7);
    if (keep < 0) throw RuntimeError(errInvalidCall);
    text.erase(0, text.size() - static_cast<size_t>(keep));
}

// "D Degrees M Minutes S Seconds [R]" in decimal degrees; nothing when a word is missing.
// The value is north and west positive, as column 2 holds degrees west: a reference
// letter `negativeLetter` (S for latitudes, E for longitudes) turns it round.
std::optional<double> parseCoordinate(const std::string& cell, char negativeLetter) {
    std::string rest = cell;

    int16_t position = wordPosition(rest, "Degrees");
    if (position == 0) return std::nullopt;
    const double degrees = coordinateFigure(rest.substr(0, static_cast<size_t>(position - 1)));
    cutAfterWord(rest, position);

    position = wordPosition(rest, "Minutes");
    if (position == 0) return std::nullopt;
    const double minutes = coordinateFigure(rest.substr(0, static_cast<size_t>(position - 1)));
    cutAfterWord(rest, position);

    position = wordPosition(rest, "Seconds");
    if (position == 0) return std::nullopt;
    double fraction = coordinateFigure(rest.substr(0, static_cast<size_t>(position - 1)));

    fraction = fraction / 60;
    fraction = minutes + fraction;
    fraction = fraction / 60;
    double value = degrees + fraction;

    const auto letter = rest.find_first_not_of(" \t", static_cast<size_t>(position - 1) + 7);
    if (letter != std::string::npos && rest[letter] == negativeLetter) value = -value;
    return value;
}
}  // namespace

void DegreeConversion::ProcessLL() {
    try {
        // The table's bound is a 16-bit number one past the last photo: 32766 photos at most.
        add16(v_.photoCount, 1);
        v_.pointList.resize(v_.photoCount);
        v_.pointCount = 0;

        const int16_t last = sub16(v_.photoCount, 1);
        for (int row = 0; row <= last; ++row) {
            const auto latitude = parseCoordinate(v_.photoList.cell(row, colLatitude), 'S');
            if (!latitude) continue;
            const auto longitude = parseCoordinate(v_.photoList.cell(row, colLongitude), 'E');
            if (!longitude) continue;

            const int point = v_.pointCount;
            v_.pointList.cell(point, colPath) = v_.photoList.cell(row, colPath);
            v_.pointList.cell(point, colLatitude) = decimalCoordinateText(*latitude);
            v_.pointList.cell(point, colLongitude) = decimalCoordinateText(*longitude);
            for (Column c : {colDateTime, colGpsDate, colGpsTime}) v_.pointList.cell(point, c) = v_.photoList.cell(row, c);
            v_.pointCount = add16(v_.pointCount, 1);
        }
        v_.saveState = saveConverted;
    } catch (...) {
        v_.saveState = saveNamed;
        box_.Show("An unexpected error has occurred when processing the geo-spatial tags into decimal degrees.",
                  styleInformation, "Error");
    }
}
