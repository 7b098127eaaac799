#pragma once
#include <string>

// The name a shapefile's files share (.shp, .shx, .dbf, .cpg and the .prj beside them):
// the path without its ".shp" ending, in any case, or the whole path when it has none.
std::string shapefileBase(const std::string& path);

// A Save writes each file of the new set aside, moves each file it replaces aside in its
// turn, and marks the moment from which the new set is whole with a list of its files.
// After a crash, these are the names a user finds beside the shapefile; the next Save under
// that name finishes or tidies them when they are what that list says, and else names them.
std::string writtenAside(const std::string& file);
std::string movedAside(const std::string& file);
std::string savingMarker(const std::string& base);
