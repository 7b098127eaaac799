#pragma once
#include <QString>
#include <QStringList>
#include <QWidget>
#include <memory>

#include "output/SaveDialog.h"
#include "platform/Platform.h"

// The save dialog: the desktop's own where the platform offers one (a portal, a platform
// theme, Windows), else one of ours whose waits on the storage are off the window's thread,
// where Qt's own would look at the folder and each typed name on it. It never asks before
// replacing a file (the user chose the name) and offers the name chosen last time again.
class QtSaveDialog : public SaveDialog {
public:
    QtSaveDialog(QWidget* parent, std::shared_ptr<Platform> platform) : parent_(parent), platform_(std::move(platform)) {}

    void SetCancelError(bool raise) override { cancelError_ = raise; }
    void SetFilter(const std::string& filter) override;
    void SetFilterIndex(int16_t index) override { filterIndex_ = index; }
    void ShowSave() override;
    std::string FileName() override { return fileName_; }

private:
    std::string showNative();
    std::string showOwn();

    QWidget* parent_;
    std::shared_ptr<Platform> platform_;
    bool cancelError_ = false;
    QStringList nameFilters_;
    int16_t filterIndex_ = 1;
    std::string fileName_;  // as the system writes paths: D:\survey\trip.shp on Windows
};
