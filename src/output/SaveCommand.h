#pragma once
#include "output/DegreeConversion.h"
#include "output/SaveDialog.h"
#include "output/ShapeWriter.h"
#include "platform/Platform.h"
#include "tables/Messages.h"
#include "tables/WorkingValues.h"

// The Save button: asks for a name, converts, writes the shapefile and its projection.
class SaveCommand {
public:
    SaveCommand(WorkingValues& values, SaveDialog& commonDialog1, MessageBox& box, StatusBar& statusBar,
                ShapeFiles& shapeOut, Platform& platform)
        : v_(values), dialog_(commonDialog1), statusBar_(statusBar), platform_(platform), conversion_(values, box),
          writer_(values, shapeOut) {}

    void cmdWrite_Click();
    void SaveFile();

private:
    WorkingValues& v_;
    SaveDialog& dialog_;
    StatusBar& statusBar_;
    Platform& platform_;
    DegreeConversion conversion_;
    ShapeWriter writer_;
};
