#pragma once
#include <string>
#include <vector>

#include "platform/Platform.h"

// Puts a new shapefile in the place of what is saved under its name, so that a Save that
// fails or is cut short never costs the user the shapefile they had.
//
// The new files are written aside (writtenAside) and brought to the storage first. Then a
// marker says that the new set is whole, the earlier files are moved aside (the .shp
// first) and the new ones put in place (the .shp last), and what was moved aside is
// removed. So whenever a .shp stands under the name, the files beside it belong to it:
// the earlier set before the first move, the new set after the last one. A failure on the
// way puts the earlier set back. A crash between the first move and the last leaves no .shp
// under the name until the next Save under that name, which finishes what the marker says.
class ShapefileReplacement {
public:
    // Finishes or tidies what an earlier Save under `base` left when it was cut short, and
    // refuses (with the file named) an earlier file this user could not have replaced in place.
    ShapefileReplacement(Platform& platform, std::string base);
    // Unless committed: removes the new files written aside.
    ~ShapefileReplacement();
    ShapefileReplacement(const ShapefileReplacement&) = delete;
    ShapefileReplacement& operator=(const ShapefileReplacement&) = delete;

    // Puts the new set, written aside, in place.
    void commit();

    // Whether a shapefile was saved under the name before, and whether it is there as it
    // was (so far: a commit that failed and could not put it back says so).
    bool replacesEarlier() const { return earlier_; }
    bool earlierIntact() const { return intact_; }

private:
    bool exists(const std::string& path);
    std::string file(const std::string& ending) const { return base_ + ending; }
    void moveEarlierAside();
    void placeNew();
    void removeMovedAside();
    void rollBack();

    Platform& platform_;
    std::string base_;
    std::string folder_;
    bool earlier_ = false;
    bool intact_ = true;
    bool committed_ = false;
    std::vector<std::string> placed_;  // endings whose new file is in place
};
