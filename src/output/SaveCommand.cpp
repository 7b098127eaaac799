#include "output/SaveCommand.h"

#include "output/FileCopy.h"
#include "output/ShapefileName.h"
#include "output/ShapefileReplacement.h"
#include "tables/RuntimeError.h"

void SaveCommand::SaveFile() {
    dialog_.SetCancelError(true);
    try {
        // No flag: the dialog shows no read-only check box, and never asks before a file is
        // replaced, since the user has chosen the name.
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
    if (!Prepare()) return;
    Write();
    Saved();
}

bool SaveCommand::Prepare() {
    SaveFile();
    if (v_.saveState != saveNamed) return false;
    conversion_.ProcessLL();
    return v_.saveState == saveConverted;
}

void SaveCommand::Write() {
    // Everything is written aside and put in place as a whole, or not at all.
    ShapefileReplacement replacement(platform_, shapefileBase(v_.shapePath));
    try {
        writer_.WriteShape();
        FilePrints written = shapeOut_.Written();
        const std::string program = platform_.ProgramFolder();
        if (program.empty()) throw RuntimeError(errPathNotFound, "Cannot find the program's folder");
        const std::string source = platform_.Child(program, "latlongwgs84.prj");
        const std::string projection = writtenAside(shapefileBase(v_.shapePath) + ".prj");
        written[projection] = copyFile(platform_, source, projection);
        replacement.commit(written);
    } catch (const RuntimeError& failure) {
        std::string outcome;
        if (replacement.committed())
            outcome = "The shapefile is saved; what it replaced is left beside it under names ending in "
                      ".pictrak-old, which the next Save under this name removes.";
        else if (!replacement.earlierIntact())
            outcome = "The shapefile saved earlier under this name could not be put back whole: its files end in "
                      ".pictrak-old.";
        else if (replacement.finishedCutShort())
            outcome = "The shapefile of the Save cut short earlier under this name is in place.";
        else if (replacement.replacesEarlier())
            outcome = "The shapefile saved earlier under this name is unchanged.";
        // Told it failed, the user must also learn what its marker will still do.
        if (replacement.earlierIntact() && replacement.markerLeft())
            outcome += (outcome.empty() ? "" : " ") + savingMarker(shapefileBase(v_.shapePath)) +
                       " could not be removed: if this Save's files are still beside it (names ending in "
                       ".pictrak-new), the next Save under this name may put them in place first.";
        if (outcome.empty()) throw;
        throw RuntimeError(failure.number(), failure.description() + ". " + outcome);
    }
}

void SaveCommand::Saved() { statusBar_.SetSimpleText("Conversion complete, " + v_.shapePath + " saved."); }
