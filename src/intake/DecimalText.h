#pragma once
#include <string>

// The shortest plain decimal text (no exponent, period as separator, any locale)
// that reads back to exactly `value`.
std::string shortestDecimal(double value);
