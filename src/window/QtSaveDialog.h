#pragma once
#include <QString>
#include <QStringList>
#include <QWidget>

#include "output/SaveDialog.h"

// The save dialog on QFileDialog. It never asks before replacing a file (the user chose the
// name) and offers the name chosen last time again.
class QtSaveDialog : public SaveDialog {
public:
    explicit QtSaveDialog(QWidget* parent) : parent_(parent) {}

    void SetCancelError(bool raise) override { cancelError_ = raise; }
    void SetFilter(const std::string& filter) override;
    void SetFilterIndex(int16_t index) override { filterIndex_ = index; }
    void ShowSave() override;
    std::string FileName() override;

private:
    QWidget* parent_;
    bool cancelError_ = false;
    QStringList nameFilters_;
    int16_t filterIndex_ = 1;
    QString fileName_;
};
