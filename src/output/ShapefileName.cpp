#include "output/ShapefileName.h"

#include <strings.h>

std::string shapefileBase(const std::string& path) {
    const bool hasEnding = path.size() >= 4 && strcasecmp(path.c_str() + path.size() - 4, ".shp") == 0;
    return hasEnding ? path.substr(0, path.size() - 4) : path;
}
