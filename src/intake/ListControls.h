#pragma once
#include <string>

// What the Read command needs of the window's folder list.
class FolderList {
public:
    virtual ~FolderList() = default;
    // Full path of the current folder, without a trailing separator except at the root.
    virtual std::string Path() = 0;
};

// What the Read command needs of the window's file list.
class FileList {
public:
    virtual ~FileList() = default;
    virtual int ListCount() = 0;
    virtual std::string List(int index) = 0;
    virtual bool Selected(int index) = 0;
};
