#pragma once
#include "output/ShapeFiles.h"
#include "tables/WorkingValues.h"

// Writes pointList to the shapefile at shapePath through the window's control.
class ShapeWriter {
public:
    ShapeWriter(WorkingValues& values, ShapeFiles& shapeOut) : v_(values), shapeOut_(shapeOut) {}
    void WriteShape();

private:
    WorkingValues& v_;
    ShapeFiles& shapeOut_;
};
