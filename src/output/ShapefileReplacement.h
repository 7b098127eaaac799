#pragma once
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "output/FilePrint.h"
#include "platform/Platform.h"

// Puts a new shapefile in the place of what is saved under its name, so that a Save that
// fails or is cut short never costs the user the shapefile they had.
//
// The new files are written aside (writtenAside) and brought to the storage first. Then a
// marker lists the new set, each file's size and CRC-32 (and those of the files it replaces),
// and is brought to the storage; only then are the earlier files moved aside (the .shp
// first) and the new ones put in place (the .shp last), and what was moved aside is removed,
// the marker last. So whenever a .shp stands under the name, the files beside it belong to
// it: the earlier set before the first move, the new set after the last one. A failure on
// the way puts the earlier set back. A crash between the first move and the last leaves no
// .shp under the name until the next Save under that name, which finishes what the marker
// lists, but only when the files on the disk are the ones it lists.
class ShapefileReplacement {
public:
    // Finishes what an earlier Save under `base` left when it was cut short, when the files
    // are those its marker lists; refuses, and touches nothing, when leftovers cannot be
    // vouched for, and refuses (with the file named) an earlier file this user could not
    // have replaced in place.
    ShapefileReplacement(Platform& platform, std::string base);
    // Unless committed, or a marker still lists them: removes the new files written aside.
    ~ShapefileReplacement();
    ShapefileReplacement(const ShapefileReplacement&) = delete;
    ShapefileReplacement& operator=(const ShapefileReplacement&) = delete;

    // Puts the new set, written aside and on the storage as `written` says, in place. A
    // failure after that (the tidy-up) leaves committed() true.
    void commit(const FilePrints& written);

    // Whether a shapefile was saved under the name before; whether it is there as it was
    // (so far: a commit that failed and could not put it back says so); whether the new
    // shapefile is in place; whether a Save cut short earlier was finished first, which
    // put that Save's shapefile in place.
    bool replacesEarlier() const { return replaced_.count(".shp") > 0; }
    bool earlierIntact() const { return intact_; }
    bool committed() const { return committed_; }
    bool finishedCutShort() const { return finished_; }
    // Whether this Save's marker is still there after the Save failed, its removal failing too.
    bool markerLeft() const { return marked_ && !committed_; }

private:
    bool exists(const std::string& path);
    FilePrint printOf(File& file, const std::string& path);
    std::optional<FilePrint> printIfThere(const std::string& path);
    std::string file(const std::string& ending) const { return base_ + ending; }
    bool finishCutShort(const std::string& listing);
    bool nothingAside();
    [[noreturn]] void refuse(const std::string& why);
    void moveEarlierAside();
    void placeNew();
    void removeMovedAside(const std::vector<std::string>& endings);
    void rollBack();

    Platform& platform_;
    std::string base_;
    std::string folder_;
    bool intact_ = true;
    bool committed_ = false;
    bool finished_ = false;
    bool marked_ = false;               // a marker of this Save lists the new files
    std::vector<std::string> toPlace_;  // endings whose new file stands aside, to go in place
    std::vector<std::string> moved_;    // endings moved aside by this Save, in that order
    std::vector<std::string> placed_;   // endings put in place by this Save, in that order
    std::map<std::string, FilePrint> replaced_;  // the earlier files, by ending
};
