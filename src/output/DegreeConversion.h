#pragma once
#include "tables/Messages.h"
#include "tables/WorkingValues.h"

// Turns the position texts of photoList into the packed pointList of decimal degrees.
class DegreeConversion {
public:
    DegreeConversion(WorkingValues& values, MessageBox& box) : v_(values), box_(box) {}
    void ProcessLL();

private:
    WorkingValues& v_;
    MessageBox& box_;
};
