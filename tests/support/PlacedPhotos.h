#pragma once
#include <cstdint>
#include <string>

#include "tables/WorkingValues.h"

// A photo table as Read leaves it, every photo placed: `count` photos of folder /p<set>, each
// set of them elsewhere.
inline void placePhotos(WorkingValues& values, int count, int set = 0) {
    values.photoList.resize(count);
    values.photoCount = static_cast<int16_t>(count);
    for (int r = 0; r < count; ++r) {
        values.photoList.cell(r, colPath) = "/p" + std::to_string(set) + "/" + std::to_string(r) + ".jpg";
        values.photoList.cell(r, colLatitude) = std::to_string((r + set) % 80) + " Degrees 59 Minutes 30 Seconds N";
        values.photoList.cell(r, colLongitude) = "91 Degrees 30 Minutes 15 Seconds W";
    }
}
