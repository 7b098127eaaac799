#pragma once
#include "tables/WorkingValues.h"

// The EXIF tags Read asks every photo for, by their names in the EXIF standard.
constexpr const char* tagLatitude = "GPSLatitude";
constexpr const char* tagLongitude = "GPSLongitude";
constexpr const char* tagDateTime = "DateTime";
constexpr const char* tagGpsDate = "GPSDateStamp";
constexpr const char* tagGpsTime = "GPSTimeStamp";

// In the order they are asked for, with the photoList column each text goes to.
struct TagColumn {
    const char* name;
    Column column;
};
constexpr TagColumn tagColumns[] = {
    {tagLatitude, colLatitude}, {tagLongitude, colLongitude}, {tagDateTime, colDateTime},
    {tagGpsDate, colGpsDate},   {tagGpsTime, colGpsTime},
};
