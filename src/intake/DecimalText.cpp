#include "intake/DecimalText.h"

#include <charconv>

std::string shortestDecimal(double value) {
    char text[400];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed);
    return std::string(text, result.ptr);
}
