#pragma once
#include "output/DegreeConversion.h"
#include "output/FileSystem.h"
#include "output/SaveDialog.h"
#include "output/ShapeWriter.h"
#include "tables/Messages.h"
#include "tables/WorkingValues.h"

// The Save button: asks for a name, converts, writes the shapefile and its projection.
class SaveCommand {
public:
    SaveCommand(WorkingValues& values, SaveDialog& commonDialog1, MessageBox& box, StatusBar& statusBar,
                ShapeFiles& shapeOut, FileSystem& files)
        : v_(values), dialog_(commonDialog1), statusBar_(statusBar), files_(files), conversion_(values, box),
          writer_(values, shapeOut) {}

    void cmdWrite_Click();
    void SaveFile();

private:
    WorkingValues& v_;
    SaveDialog& dialog_;
    StatusBar& statusBar_;
    FileSystem& files_;
    DegreeConversion conversion_;
    ShapeWriter writer_;
};
