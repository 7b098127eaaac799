#pragma once
#include <cstdint>

// Counts, row indexes and text positions are 16-bit signed: a result that leaves
// -32768..32767 is an overflow failure, never a silent wrap.
int16_t toInt16(long long value);
int16_t add16(int16_t a, int16_t b);
int16_t sub16(int16_t a, int16_t b);
