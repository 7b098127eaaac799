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
        : v_(values), dialog_(commonDialog1), statusBar_(statusBar), shapeOut_(shapeOut), platform_(platform),
          conversion_(values, box), writer_(values, shapeOut) {}

    // The whole Save on the calling thread.
    void cmdWrite_Click();
    void SaveFile();

    // The Save in three parts, so that what waits on the storage can run beside the window.
    // Prepare asks for the name and converts: true when there is a shapefile to write.
    bool Prepare();
    // Writes the shapefile and puts it in place; throws what went wrong. May run on any one
    // thread while nothing else touches the working values.
    void Write();
    // Tells the user it is saved.
    void Saved();

private:
    WorkingValues& v_;
    SaveDialog& dialog_;
    StatusBar& statusBar_;
    ShapeFiles& shapeOut_;
    Platform& platform_;
    DegreeConversion conversion_;
    ShapeWriter writer_;
};
