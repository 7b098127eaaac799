#pragma once
#include <cstdint>
#include <string>

#include "tables/TextTable.h"

// Columns shared by both tables.
enum Column : int { colPath = 0, colLatitude = 1, colLongitude = 2, colDateTime = 3, colGpsDate = 4, colGpsTime = 5 };

// Codes of saveState.
enum SaveState : uint8_t { saveNone = 0, saveCancelled = 4, saveNamed = 5, saveConverted = 6 };

// Everything the commands share; the window owns one for its whole life.
struct WorkingValues {
    TextTable photoList;
    int16_t photoCount = 0;
    TextTable pointList;
    int16_t pointCount = 0;
    uint8_t anySelected = 0;
    uint8_t saveState = saveNone;
    std::string shapePath;
    std::string currentPhoto;
};
