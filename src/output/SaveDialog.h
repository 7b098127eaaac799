#pragma once
#include <cstdint>
#include <string>

// The save-file dialog. With CancelError set, ShowSave throws a RuntimeError(errCancel)
// when the user cancels.
class SaveDialog {
public:
    virtual ~SaveDialog() = default;
    virtual void SetCancelError(bool raise) = 0;
    // Description and pattern pairs, each followed by '|': "Shapefile (*.shp)|*.shp|".
    virtual void SetFilter(const std::string& filter) = 0;
    virtual void SetFilterIndex(int16_t index) = 0;
    virtual void ShowSave() = 0;
    virtual std::string FileName() = 0;
};
