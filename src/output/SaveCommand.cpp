#include "output/SaveCommand.h"

#include "output/ShapefileName.h"

void SaveCommand::SaveFile() {
    dialog_.SetCancelError(true);
    try {
        dialog_.SetFlags(flagHideReadOnly);
        dialog_.SetFilter("Shapefile (*.shp)|*.shp|");
        dialog_.SetFilterIndex(1);
        dialog_.ShowSave();
        v_.shapePath = dialog_.FileName();
        v_.saveState = saveNamed;
    } catch (...) {
        // A cancelled or failed dialog ends the Save quietly.
        v_.saveState = saveCancelled;
    }
}

void SaveCommand::cmdWrite_Click() {
    SaveFile();
    if (v_.saveState != saveNamed) return;
    conversion_.ProcessLL();
    if (v_.saveState != saveConverted) return;
    writer_.WriteShape();

    const std::string source = files_.AppPath() + "/latlongwgs84.prj";
    files_.FileCopy(source, shapefileBase(v_.shapePath) + ".prj");

    statusBar_.SetSimpleText("Conversion complete, " + v_.shapePath + " saved.");
}
