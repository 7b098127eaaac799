#pragma once
#include <string>

// Texts of numbers on their way from tag texts to shapefile coordinates. All of them
// use a period as the decimal separator whatever the user's locale.

// A degrees, minutes or seconds figure: blanks around it ignored, its fraction kept.
// Empty or not a number: type mismatch. Beyond -32768..32767 once rounded: overflow.
double coordinateFigure(const std::string& text);

// A decimal coordinate text read back as a number (leading blanks allowed); type mismatch otherwise.
double decimalCoordinate(const std::string& text);

// A point on the equator or the prime meridian lies at 0, never at -0.
inline double withoutNegativeZero(double value) { return value == 0 ? 0 : value; }

// At most 15 significant digits, trailing zeros dropped, a leading blank when not negative.
std::string decimalCoordinateText(double value);
