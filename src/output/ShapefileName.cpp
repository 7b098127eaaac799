#include "output/ShapefileName.h"

#include <cctype>

std::string shapefileBase(const std::string& path) {
    const std::string ending = ".shp";
    bool hasEnding = path.size() >= ending.size();
    for (size_t i = 0; hasEnding && i < ending.size(); ++i)
        hasEnding = std::tolower(static_cast<unsigned char>(path[path.size() - ending.size() + i])) == ending[i];
    return hasEnding ? path.substr(0, path.size() - ending.size()) : path;
}

std::string writtenAside(const std::string& file) { return file + ".pictrak-new"; }
std::string movedAside(const std::string& file) { return file + ".pictrak-old"; }
std::string savingMarker(const std::string& base) { return base + ".pictrak-saving"; }
