#pragma once
#include "intake/ListControls.h"
#include "intake/LookAhead.h"
#include "intake/TagReader.h"
#include "tables/Messages.h"
#include "tables/WorkingValues.h"

// The Read button: lists the chosen photos and reads their tags into photoList.
class ReadCommand {
public:
    ReadCommand(WorkingValues& values, FolderList& dirList, FileList& fileList, MessageBox& box,
                StatusBar& statusBar, TagReaderFactory newTagReader, Platform& platform)
        : v_(values), dirList_(dirList), fileList_(fileList), box_(box), statusBar_(statusBar),
          newTagReader_(std::move(newTagReader)), platform_(platform) {}

    void cmdReadAll_Click();
    void MakeList();
    void ReadTags();

private:
    WorkingValues& v_;
    FolderList& dirList_;
    FileList& fileList_;
    MessageBox& box_;
    StatusBar& statusBar_;
    TagReaderFactory newTagReader_;
    Platform& platform_;
};
