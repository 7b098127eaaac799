#include "output/CoordinateNumber.h"

#include <charconv>
#include <cmath>
#include <optional>

#include "tables/RuntimeError.h"

namespace {
bool blank(char c) { return c == ' ' || c == '\t'; }

std::optional<double> parseDecimal(const std::string& text) {
    size_t first = 0, last = text.size();
    while (first < last && blank(text[first])) ++first;
    while (last > first && blank(text[last - 1])) --last;
    if (first < last && text[first] == '+') ++first;
    if (first == last) return std::nullopt;
    double value = 0;
    const auto result = std::from_chars(text.data() + first, text.data() + last, value);
    if (result.ec != std::errc() || result.ptr != text.data() + last || !std::isfinite(value)) return std::nullopt;
    return value;
}
}  // namespace

double coordinateFigure(const std::string& text) {
    const auto value = parseDecimal(text);
    if (!value) throw RuntimeError(errTypeMismatch);
    const double whole = std::nearbyint(*value);  // halves go to the even neighbour
    if (whole < -32768 || whole > 32767) throw RuntimeError(errOverflow);
    return *value;
}

double decimalCoordinate(const std::string& text) {
    const auto value = parseDecimal(text);
    if (!value) throw RuntimeError(errTypeMismatch);
    return *value;
}

std::string decimalCoordinateText(double value) {
    value = withoutNegativeZero(value);
    char digits[64];
    const auto result = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::general, 15);
    std::string text(digits, result.ptr);
    return value < 0 ? text : " " + text;
}
