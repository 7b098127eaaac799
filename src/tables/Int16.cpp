#include "tables/Int16.h"

#include "tables/RuntimeError.h"

int16_t toInt16(long long value) {
    if (value < INT16_MIN || value > INT16_MAX) throw RuntimeError(errOverflow);
    return static_cast<int16_t>(value);
}

int16_t add16(int16_t a, int16_t b) { return toInt16(static_cast<long long>(a) + b); }
int16_t sub16(int16_t a, int16_t b) { return toInt16(static_cast<long long>(a) - b); }
