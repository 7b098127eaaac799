#include "output/SaveCommand.h"

#include "tables/RuntimeError.h"

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
    if (v_.shapePath.size() < 4) throw RuntimeError(errInvalidCall);
    const std::string destination = v_.shapePath.substr(0, v_.shapePath.size() - 4) + ".prj";
    files_.FileCopy(source, destination);

    statusBar_.SetSimpleText("Conversion complete, " + v_.shapePath + " saved.");
}
