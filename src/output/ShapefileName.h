#pragma once
#include <string>

// The name a shapefile's files share (.shp, .shx, .dbf, .cpg and the .prj beside them):
// the path without its ".shp" ending, in any case, or the whole path when it has none.
std::string shapefileBase(const std::string& path);
